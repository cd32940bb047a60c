#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// The text without leading and trailing blanks (only the blank character; tabs stay).
std::string TrimBlanks(std::string_view text);
// The value of the longest leading decimal number of the text, blanks ignored; 0 when there is none.
double LeadingNumber(std::string_view text);
// True when the whole text, blanks around it allowed, reads as one decimal number.
bool IsNumeric(std::string_view text);
// Rounds to the nearest whole number, halves to the even number.
long RoundHalfEven(double value);
// Replaces every occurrence of from (not empty) by to.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace quorvane
