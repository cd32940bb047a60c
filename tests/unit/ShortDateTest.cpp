#include <gtest/gtest.h>

#include "app/Calendar.h"
#include "platform/posix/ShortDate.h"

namespace quorvane {
namespace {

TEST(ShortDate, WritesMonthDayYearWithoutLeadingZerosAndNeverAsMidnight) {
  EXPECT_EQ(FormatShortDateText(DayNumberFromDate(2014, 1, 1)), "1/1/2014");
  EXPECT_EQ(FormatShortDateText(DayNumberFromDate(2026, 12, 31)), "12/31/2026");
  EXPECT_EQ(FormatShortDateText(DayNumberFromDate(2000, 2, 29)), "2/29/2000");
  EXPECT_EQ(FormatShortDateText(0), "12:00:00 AM");
  EXPECT_EQ(FormatShortDateText(1), "12/31/1899");
}

TEST(ShortDate, ReadsWhatItWritesForEveryDayOfSeveralYears) {
  for (std::int32_t day = DayNumberFromDate(1999, 1, 1); day <= DayNumberFromDate(2030, 12, 31); ++day)
    ASSERT_EQ(ParseShortDateText(FormatShortDateText(day)), day) << FormatShortDateText(day);
  EXPECT_EQ(ParseShortDateText("12:00:00 AM"), 0);
}

TEST(ShortDate, AcceptsLeadingZerosInMonthAndDay) {
  EXPECT_EQ(ParseShortDateText("01/02/2014"), DayNumberFromDate(2014, 1, 2));
  EXPECT_EQ(ParseShortDateText("1/02/2014"), DayNumberFromDate(2014, 1, 2));
}

TEST(ShortDate, RefusesEverythingThatIsNotExactlyADate) {
  for (const char* text : {"",           " 1/1/2014",   "1/1/2014 ", "1/1/14",       "1/1/20140",
                           "001/1/2014", "1/001/2014",  "1-1-2014",  "1/1",          "1//2014",
                           "/1/2014",    "13/1/2014",   "0/1/2014",  "1/0/2014",     "2/29/2023",
                           "2/30/2024",  "4/31/2024",   "2/29/1900", "+1/1/2014",    "1/1/+014",
                           "a/1/2014",   "12:00:00 am", "12:00:00",  "12:00:00 AM ", "1/1/2014\r\n"})
    EXPECT_EQ(ParseShortDateText(text), std::nullopt) << '"' << text << '"';
  EXPECT_EQ(ParseShortDateText("2/29/2000"), DayNumberFromDate(2000, 2, 29));
  EXPECT_EQ(ParseShortDateText("2/29/2024"), DayNumberFromDate(2024, 2, 29));
}

}  // namespace
}  // namespace quorvane
