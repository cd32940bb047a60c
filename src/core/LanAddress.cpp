#include "core/LanAddress.h"

namespace quorvane {

std::optional<IPv4Address> LanAddress(const std::vector<IPv4Address>& table) {
  constexpr IPv4Address kLoopback{127, 0, 0, 1};
  // The table is sorted ascending, so this picks the highest qualifying address; 0.0.0.0 (an
  // interface without an address) comes first and so stands only when nothing else qualifies.
  std::optional<IPv4Address> result;
  for (const IPv4Address& entry : table)
    if (entry != kLoopback) result = entry;
  return result;
}

}  // namespace quorvane
