#include "monitor/modGetLANIP.h"

#include "platform/Platform.h"

namespace quorvane {

namespace {

// The loopback address that never counts as the LAN address. Only this exact text is excluded:
// other loopback addresses and "0.0.0.0" qualify like any other entry.
constexpr const char* kLoopbackAddress = "127.0.0.1";

std::string DottedText(const IPv4Address& address) {
  std::string text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0) text += '.';
    text += std::to_string(address[i]);
  }
  return text;
}

}  // namespace

std::optional<std::vector<std::string>> GetIPAddressList(Platform& platform) {
  const std::optional<std::vector<IPv4Address>> table = platform.IPv4AddressTable();
  if (!table) return std::nullopt;
  std::vector<std::string> list;
  list.reserve(table->size());
  for (const IPv4Address& address : *table) list.push_back(DottedText(address));
  return list;
}

std::optional<std::string> GetLANIP(Platform& platform) {
  const std::optional<std::vector<std::string>> list = GetIPAddressList(platform);
  if (!list) return std::nullopt;
  // The table is sorted ascending, so this picks the highest qualifying address.
  std::string result;
  for (const std::string& entry : *list) {
    if (!entry.empty() && entry != kLoopbackAddress) result = entry;
  }
  return result;
}

}  // namespace quorvane
