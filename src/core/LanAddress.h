#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace quorvane {

// The LAN address from the interface table (sorted ascending): the last entry that is not 127.0.0.1.
// 0.0.0.0 (an interface without an address) means the LAN address is lost; nullopt means the table
// holds no address but loopback (shown as empty, not as a loss).
std::optional<IPv4Address> LanAddress(const std::vector<IPv4Address>& table);

}  // namespace quorvane
