#include "core/ChangeLog.h"

#include "platform/Calendar.h"

namespace quorvane {

namespace {

constexpr std::string_view kExternalChangeStart = "External IP ";
constexpr std::string_view kInternalChangeStart = "Internal IP ";
constexpr std::string_view kChangedTo = " changed to ";
constexpr unsigned char kUtf8C1Lead = 0xC2;

void AppendHex(std::string& shown, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  shown += "\\x";
  shown += kHex[byte >> 4];
  shown += kHex[byte & 0xF];
}

std::string ChangeText(std::string_view start, std::string_view oldAddress, std::string_view newAddress) {
  return std::string(start) + std::string(oldAddress) + std::string(kChangedTo) + std::string(newAddress);
}

}  // namespace

std::string VisibleControlCharacters(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // A C1 control written in UTF-8 (a terminal's CSI is "\xC2\x9B") is as dangerous as a C0 one.
    if (byte == kUtf8C1Lead && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        AppendHex(shown, byte);
        AppendHex(shown, next);
        ++i;
        continue;
      }
    }
    if (byte >= 0x20 && byte != 0x7F) {
      shown += text[i];
    } else if (byte == '\r') {
      shown += "\\r";
    } else if (byte == '\n') {
      shown += "\\n";
    } else if (byte == '\t') {
      shown += "\\t";
    } else {
      AppendHex(shown, byte);
    }
  }
  return shown;
}

std::string ChangeLogLine(const LocalDateTime& now, std::string_view text) {
  return FormatLogDate(now) + " " + FormatLogTime(now) + ": " + VisibleControlCharacters(text);
}

std::string ExternalChangeText(std::string_view oldAddress, std::string_view newAddress) {
  return ChangeText(kExternalChangeStart, oldAddress, newAddress);
}

std::string InternalChangeText(std::string_view oldAddress, std::string_view newAddress) {
  return ChangeText(kInternalChangeStart, oldAddress, newAddress);
}

bool AppendChangeLogLine(Files& files, const std::string& logPath, const std::string& line) {
  return files.AppendToFile(logPath, line + "\r\n");
}

}  // namespace quorvane
