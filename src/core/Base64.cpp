#include "core/Base64.h"

#include <array>

namespace quorvane {

namespace {

// The RFC 4648 alphabet followed by the pad character.
constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
static_assert(kBase64Alphabet.size() == 65);
constexpr char kPad = kBase64Alphabet[64];

constexpr std::array<char, 64> kTable = [] {
  std::array<char, 64> table{};
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = kBase64Alphabet[i];
  return table;
}();

// 15 groups of four characters per line.
constexpr std::size_t kGroupsPerLine = 15;
constexpr std::string_view kCrLf = "\r\n";

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  if (bytes.empty()) return {};
  const std::size_t padding = (3 - bytes.size() % 3) % 3;
  const std::size_t groups = (bytes.size() + padding) / 3;
  auto byteAt = [&bytes](std::size_t i) -> unsigned {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
  };

  std::string out;
  out.reserve(groups * 4 + (groups / kGroupsPerLine + 1) * kCrLf.size());
  for (std::size_t group = 0; group < groups; ++group) {
    if (group > 0 && group % kGroupsPerLine == 0) out += kCrLf;
    const unsigned b0 = byteAt(group * 3), b1 = byteAt(group * 3 + 1), b2 = byteAt(group * 3 + 2);
    out += kTable[b0 >> 2];
    out += kTable[((b0 & 3) << 4) | (b1 >> 4)];
    out += kTable[((b1 & 15) << 2) | (b2 >> 6)];
    out += kTable[b2 & 63];
  }
  // The zero bytes added to fill the last group show as pad characters.
  for (std::size_t i = 0; i < padding; ++i) out[out.size() - 1 - i] = kPad;
  out += kCrLf;
  return out;
}

}  // namespace quorvane
