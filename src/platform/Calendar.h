#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace quorvane {

// Day numbers count days since 30 December 1899 (day 0), the scale config.txt's date line uses.
std::int32_t DayNumberFromDate(int year, int month, int day);
LocalDateTime DateFromDayNumber(std::int32_t dayNumber);
inline std::int32_t DayNumberOf(const LocalDateTime& t) {
  return DayNumberFromDate(t.year, t.month, t.day);
}
bool IsValidDate(int year, int month, int day);

// "MM-DD-YYYY" and "HH:MM:SS" (24-hour), as the change log and the status line write them.
std::string FormatLogDate(const LocalDateTime& t);
std::string FormatLogTime(const LocalDateTime& t);

}  // namespace quorvane
