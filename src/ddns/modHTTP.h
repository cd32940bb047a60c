#pragma once

#include <string>
#include <string_view>

namespace quorvane {

class Program;

inline constexpr std::string_view kVerbGet = "GET";
inline constexpr std::string_view kVerbPost = "POST";

// One synchronous request with optional Basic authorization; the answer body (of any status), or
// empty text on any failure.
std::string HttpRequest(Program& program, const std::string& verb, const std::string& host,
                        const std::string& path, bool secure, const std::string& userName,
                        const std::string& password);

// The request target with every byte that cannot stand in one percent-encoded (controls, space,
// DEL, "#" and bytes 0x80-0xFF); printable ASCII is left as it is.
std::string EscapeRequestTarget(const std::string& target);

}  // namespace quorvane
