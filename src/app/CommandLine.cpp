#include "app/CommandLine.h"

namespace quorvane {

std::string EscapedArgument(const std::string& argument) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const char c : argument) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0x0F];
    } else {
      if (c == '\\') text += c;
      text += c;
    }
  }
  return text;
}

}  // namespace quorvane
