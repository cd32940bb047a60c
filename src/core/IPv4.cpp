#include "core/IPv4.h"

namespace quorvane {

std::optional<IPv4Address> ParseIPv4(std::string_view text) {
  IPv4Address address{};
  std::size_t i = 0;
  for (std::size_t part = 0; part < address.size(); ++part) {
    if (part > 0) {
      if (i >= text.size() || text[i] != '.') return std::nullopt;
      ++i;
    }
    const std::size_t first = i;
    int value = 0;
    while (i < text.size() && i - first < 3 && text[i] >= '0' && text[i] <= '9')
      value = value * 10 + (text[i++] - '0');
    if (i == first || value > 255) return std::nullopt;
    address[part] = static_cast<std::uint8_t>(value);
  }
  if (i != text.size()) return std::nullopt;
  return address;
}

std::string IPv4Text(const IPv4Address& address) {
  std::string text;
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0) text += '.';
    text += std::to_string(address[i]);
  }
  return text;
}

bool IsPublicUnicast(const IPv4Address& a) {
  const int first = a[0];
  const int second = a[1];
  if (first == 0 || first == 10 || first == 127 || first >= 224) return false;
  if (first == 100 && second >= 64 && second < 128) return false;
  if (first == 169 && second == 254) return false;
  if (first == 172 && second >= 16 && second < 32) return false;
  if (first == 192 && second == 168) return false;
  return true;
}

std::string ShownAddress(const std::optional<IPv4Address>& address) {
  return address ? IPv4Text(*address) : std::string(kNoAddressText);
}

}  // namespace quorvane
