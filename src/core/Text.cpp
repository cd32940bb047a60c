#include "core/Text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace quorvane {

namespace {

// A decimal number as scanned from text: sign, digits with at most one decimal point, and an
// optional exponent (E or D, as the classic Val conversion also accepts).
struct ScannedNumber {
  bool found = false;      // at least one mantissa digit
  std::size_t end = 0;     // position after the last character that belongs to the number
  std::string normalized;  // the number without blanks, '+' or 'D', ready for from_chars
  int magnitudeHint = 0;   // rough decimal exponent of the value, to tell overflow from underflow
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Scans the longest decimal number at the start of text. With skipBlanks, blanks anywhere in it
// are ignored ("1 2" is 12), which is how a settings line's numeric value is read.
ScannedNumber ScanNumber(std::string_view text, bool skipBlanks) {
  ScannedNumber number;
  std::size_t pos = 0;
  auto skip = [&] {
    while (skipBlanks && pos < text.size() && text[pos] == ' ') ++pos;
  };

  skip();
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') number.normalized += '-';
    ++pos;
    skip();
  }

  int integerDigits = 0;  // significant digits before the point
  int leadingFractionZeros = 0;
  bool seenPoint = false;
  bool seenSignificant = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (skipBlanks && c == ' ') continue;
    if (IsDigit(c)) {
      number.found = true;
      if (c != '0') seenSignificant = true;
      if (!seenPoint && seenSignificant) ++integerDigits;
      if (seenPoint && !seenSignificant) ++leadingFractionZeros;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
    number.normalized += c;
  }
  if (!number.found) return ScannedNumber{};
  number.end = pos;
  number.magnitudeHint = integerDigits > 0 ? integerDigits - 1 : -leadingFractionZeros - 1;

  // The exponent counts only when at least one digit follows its letter and sign.
  std::size_t expPos = pos;
  auto skipExp = [&] {
    while (skipBlanks && expPos < text.size() && text[expPos] == ' ') ++expPos;
  };
  skipExp();
  if (expPos < text.size() &&
      (text[expPos] == 'e' || text[expPos] == 'E' || text[expPos] == 'd' || text[expPos] == 'D')) {
    ++expPos;
    skipExp();
    std::string exponent = "e";
    if (expPos < text.size() && (text[expPos] == '+' || text[expPos] == '-')) {
      if (text[expPos] == '-') exponent += '-';
      ++expPos;
    }
    long exponentValue = 0;
    bool exponentDigits = false;
    for (; expPos < text.size(); ++expPos) {
      const char c = text[expPos];
      if (skipBlanks && c == ' ') continue;
      if (!IsDigit(c)) break;
      exponentDigits = true;
      exponent += c;
      if (exponentValue < 100000) exponentValue = exponentValue * 10 + (c - '0');
    }
    if (exponentDigits) {
      number.normalized += exponent;
      number.end = expPos;
      number.magnitudeHint += static_cast<int>(exponent[1] == '-' ? -exponentValue : exponentValue);
    }
  }
  return number;
}

double ValueOf(const ScannedNumber& number) {
  if (!number.found) return 0.0;
  const char* first = number.normalized.data();
  const char* last = first + number.normalized.size();
  const bool negative = *first == '-';
  double value = 0.0;
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    if (number.magnitudeHint < 0) return negative ? -0.0 : 0.0;
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  }
  if (result.ec != std::errc{}) return 0.0;
  return value;
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

double LeadingNumber(std::string_view text) {
  return ValueOf(ScanNumber(text, true));
}

bool IsNumeric(std::string_view text) {
  const std::string trimmed = TrimBlanks(text);
  const ScannedNumber number = ScanNumber(trimmed, false);
  return number.found && number.end == trimmed.size();
}

long RoundHalfEven(double value) {
  constexpr long kMax = std::numeric_limits<long>::max();
  constexpr long kMin = std::numeric_limits<long>::min();
  if (std::isnan(value)) return 0;
  // kMax as a double rounds up to 2^63, which itself is out of range; kMin is exact.
  if (value >= static_cast<double>(kMax)) return kMax;
  if (value <= static_cast<double>(kMin)) return kMin;
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double rounded = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
  return static_cast<long>(rounded);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  if (from.empty()) return text;
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

}  // namespace quorvane
