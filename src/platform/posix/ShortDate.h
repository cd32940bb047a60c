#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

// The Linux short-date text: "M/D/YYYY" without leading zeros. Day 0 ("never") has no date part and
// is written as the bare midnight time "12:00:00 AM", which is how a zero date value prints.
inline constexpr const char* kNeverShortDate = "12:00:00 AM";

std::string FormatShortDateText(std::int32_t dayNumber);
// Accepts "M/D/YYYY" (one or two digits for month and day, four for the year, a real calendar date)
// and exactly kNeverShortDate (day 0); nullopt for anything else, blanks included.
std::optional<std::int32_t> ParseShortDateText(const std::string& text);

}  // namespace quorvane
