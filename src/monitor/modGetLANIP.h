#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class Platform;

// Every IPv4 interface address as dotted text, in the platform's ascending order; nullopt when the
// address table cannot be read.
std::optional<std::vector<std::string>> GetIPAddressList(Platform& platform);
// The last address of the list that is neither empty nor exactly "127.0.0.1"; empty text when none
// qualifies; nullopt when the table cannot be read.
std::optional<std::string> GetLANIP(Platform& platform);

}  // namespace quorvane
