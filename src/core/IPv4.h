#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace quorvane {

// Four dot-separated decimal numbers 0-255 of one to three digits each and nothing else. Leading
// zeros are read as the number they write ("203.000.113.007" is 203.0.113.7): no octal.
std::optional<IPv4Address> ParseIPv4(std::string_view text);
// Dotted-decimal text without leading zeros ("203.0.113.7").
std::string IPv4Text(const IPv4Address& address);
// True when the address can be a host's public unicast address: none of 0/8, 10/8, 100.64/10,
// 127/8, 169.254/16, 172.16/12, 192.168/16, 224/3 (multicast, reserved, broadcast). The
// documentation ranges are allowed.
bool IsPublicUnicast(const IPv4Address& address);
// The text an address is shown and stored as: the dotted text, or "0.0.0.0" when there is none.
std::string ShownAddress(const std::optional<IPv4Address>& address);

inline constexpr std::string_view kNoAddressText = "0.0.0.0";

}  // namespace quorvane
