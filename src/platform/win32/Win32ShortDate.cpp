// The short-date text of config.txt's date line in the user's regional format, and its reading back.
#include <windows.h>

#include "platform/Calendar.h"
#include "platform/win32/Win32Platform.h"

namespace quorvane {

namespace {

// The user's short-date pattern ("M/d/yyyy", "dd.MM.yyyy", ...) with every year field widened to four
// digits: a two-digit year would read back as another century for dates outside the pivot window.
std::string ShortDatePattern() {
  char buffer[80] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, sizeof buffer) == 0) return "M/d/yyyy";
  std::string pattern;
  bool quoted = false;
  for (const char* c = buffer; *c != '\0'; ++c) {
    if (*c == '\'') quoted = !quoted;
    if (quoted || *c != 'y') {
      pattern += *c;
    } else if (c == buffer || c[-1] != 'y') {
      pattern += "yyyy";
    }
  }
  return pattern;
}

// Midnight's time of day, which is how the date value 0 ("never") prints.
std::string MidnightText() {
  SYSTEMTIME midnight{};
  midnight.wYear = 2000;
  midnight.wMonth = 1;
  midnight.wDay = 1;
  char buffer[80] = {};
  if (::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &midnight, nullptr, buffer, sizeof buffer) == 0)
    return "12:00:00 AM";
  return buffer;
}

// Reads 1..maxDigits decimal digits at pos.
std::optional<int> ReadNumber(const std::string& text, std::size_t& pos, std::size_t maxDigits) {
  int value = 0;
  std::size_t digits = 0;
  while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + (text[pos++] - '0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

}  // namespace

std::string Win32Platform::FormatShortDate(std::int32_t dayNumber) {
  if (dayNumber == 0) return MidnightText();
  const LocalDateTime date = DateFromDayNumber(dayNumber);
  if (date.year < 1601 || date.year > 9999) return "";  // no Windows date outside these years
  SYSTEMTIME day{};
  day.wYear = static_cast<WORD>(date.year);
  day.wMonth = static_cast<WORD>(date.month);
  day.wDay = static_cast<WORD>(date.day);
  char buffer[80] = {};
  if (::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &day, ShortDatePattern().c_str(), buffer, sizeof buffer) == 0)
    return "";
  return buffer;
}

// Reads the text along the same pattern that formats it: numeric day, month and year fields, and every
// other character of the pattern literally. Names of days or months are not short-date fields.
std::optional<std::int32_t> Win32Platform::ParseShortDate(const std::string& text) {
  if (text == MidnightText()) return 0;
  const std::string pattern = ShortDatePattern();
  int day = 0, month = 0, year = 0;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < pattern.size();) {
    const char field = pattern[i];
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == field) ++run;
    if (field == '\'') {
      // A quoted literal; two quotes stand for one quote.
      std::size_t end = i + 1;
      std::string literal;
      while (end < pattern.size() &&
             (pattern[end] != '\'' || (end + 1 < pattern.size() && pattern[end + 1] == '\''))) {
        if (pattern[end] == '\'') ++end;
        literal += pattern[end++];
      }
      if (text.compare(pos, literal.size(), literal) != 0) return std::nullopt;
      pos += literal.size();
      i = end + 1;
      continue;
    }
    if (field == 'd' || field == 'M' || field == 'y') {
      if (field != 'y' && run > 2) return std::nullopt;
      const auto value = ReadNumber(text, pos, field == 'y' ? 4 : 2);
      if (!value) return std::nullopt;
      (field == 'd' ? day : field == 'M' ? month : year) = *value;
    } else {
      if (text.compare(pos, run, pattern, i, run) != 0) return std::nullopt;
      pos += run;
    }
    i += run;
  }
  if (pos != text.size() || year < 1601 || !IsValidDate(year, month, day)) return std::nullopt;
  return DayNumberFromDate(year, month, day);
}

}  // namespace quorvane
