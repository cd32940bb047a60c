#include "platform/posix/ShortDate.h"

#include <cstdio>

#include "platform/Calendar.h"

namespace quorvane {

namespace {

// Reads minDigits..maxDigits decimal digits at pos and moves pos past them.
std::optional<int> ReadNumber(const std::string& text, std::size_t& pos, std::size_t minDigits,
                              std::size_t maxDigits) {
  int value = 0;
  std::size_t digits = 0;
  while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++digits;
  }
  if (digits < minDigits) return std::nullopt;
  return value;
}

bool ReadSlash(const std::string& text, std::size_t& pos) {
  if (pos >= text.size() || text[pos] != '/') return false;
  ++pos;
  return true;
}

}  // namespace

std::string FormatShortDateText(std::int32_t dayNumber) {
  if (dayNumber == 0) return kNeverShortDate;
  const LocalDateTime date = DateFromDayNumber(dayNumber);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%d/%d/%04d", date.month, date.day, date.year);
  return buffer;
}

std::optional<std::int32_t> ParseShortDateText(const std::string& text) {
  if (text == kNeverShortDate) return 0;
  std::size_t pos = 0;
  const auto month = ReadNumber(text, pos, 1, 2);
  if (!month || !ReadSlash(text, pos)) return std::nullopt;
  const auto day = ReadNumber(text, pos, 1, 2);
  if (!day || !ReadSlash(text, pos)) return std::nullopt;
  const auto year = ReadNumber(text, pos, 4, 4);
  if (!year || pos != text.size()) return std::nullopt;
  if (!IsValidDate(*year, *month, *day)) return std::nullopt;
  return DayNumberFromDate(*year, *month, *day);
}

}  // namespace quorvane
