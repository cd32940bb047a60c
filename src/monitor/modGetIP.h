#pragma once

#include <string>

namespace quorvane {

class Program;

inline constexpr const char* kUnableToAccess = "(unable to access)";
inline constexpr const char* kWanIpFileName = "wan_ip.txt";

// The public address from the first echo service of txtExternalIPURL whose page yields a dotted
// IPv4 address; kUnableToAccess when every entry failed; empty text when the list has no entries.
std::string GetWanIP(Program& program);
// Downloads the URL into the file; true when the whole page arrived.
bool DownloadToFile(Program& program, const std::string& url, const std::string& path);

// True for four dot-separated decimal numbers 0-255 of 1 to 3 digits each, nothing else.
bool IsDottedQuad(const std::string& text);

}  // namespace quorvane
