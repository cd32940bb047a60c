#include "settings/TextValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "app/Calendar.h"
#include "ddns/modBase64.h"
#include "platform/posix/ShortDate.h"

namespace quorvane {
namespace {

TEST(TextValueTest, LeadingNumberAndIsNumeric) {
  // Text, its leading number, whether the whole text is one number.
  const double kInf = HUGE_VAL;
  const std::tuple<std::string, double, bool> cases[] = {
      {"", 0, false},        {"abc", 0, false},       {" 1 ", 1, true},     {"  12 min", 12, false},
      {"1 2 3", 123, false}, {"- 3.5x", -3.5, false}, {"-1.5", -1.5, true}, {".5", 0.5, true},
      {"5.", 5, true},       {"1.2.3", 1.2, false},   {"1e3", 1000, true},  {"2D2", 200, true},
      {"1e", 1, false},      {"--1", 0, false},       {".", 0, false},      {"\t1", 0, false},
      {"1e400", kInf, true}, {"-1e400", -kInf, true}, {"1e-400", 0, true}};
  for (const auto& [text, leading, numeric] : cases) {
    EXPECT_DOUBLE_EQ(LeadingNumber(text), leading) << '"' << text << '"';
    EXPECT_EQ(IsNumeric(text), numeric) << '"' << text << '"';
  }
}

TEST(TextValueTest, RoundHalfEvenRoundsHalvesToEvenAndClamps) {
  const long kMax = std::numeric_limits<long>::max(), kMin = std::numeric_limits<long>::min();
  const std::pair<double, long> cases[] = {{0.5, 0},       {1.5, 2},         {2.5, 2},   {-1.5, -2},
                                           {-2.5, -2},     {2.5001, 3},      {-2.6, -3}, {1e300, kMax},
                                           {-1e300, kMin}, {std::nan(""), 0}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

TEST(Base64Test, EncodesWithPaddingLineBreaksAndAFinalLineEnd) {
  Base64Codec codec;
  codec.InitBase64Table();
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"f", "Zg==\r\n"}, {"fo", "Zm8=\r\n"}, {"abc", "YWJj\r\n"}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(codec.Base64Encode(text), expected) << text;
  const std::string s45 = std::string(15, 'a') + std::string(15, 'b') + std::string(15, 'c');
  const std::string b45 = "YWFhYWFhYWFhYWFhYWFhYmJiYmJiYmJiYmJiYmJiY2NjY2NjY2NjY2NjY2Nj\r\n";
  EXPECT_EQ(codec.Base64Encode(s45), b45);
  EXPECT_EQ(codec.Base64Encode(s45 + "d"), b45 + "ZA==\r\n");
  EXPECT_EQ(codec.Base64Encode(s45 + s45), b45 + b45);  // no empty line between or after

  std::string bytes;  // 48 bytes whose 6-bit groups count from 0 to 63
  for (unsigned i = 0; i < 64; i += 4)
    for (unsigned shift : {16u, 8u, 0u})
      bytes += static_cast<char>(((i << 18 | (i + 1) << 12 | (i + 2) << 6 | (i + 3)) >> shift) & 0xff);
  EXPECT_EQ(codec.EncodeBase64Bytes(bytes),
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567\r\n89+/\r\n");
}

TEST(ShortDateTest, FormatsAndParsesOnlyMonthDayYearWithZeroAsMidnight) {
  EXPECT_EQ(FormatShortDateText(DayNumberFromDate(2014, 1, 1)), "1/1/2014");
  EXPECT_EQ(FormatShortDateText(0), "12:00:00 AM");
  EXPECT_EQ(ParseShortDateText("12:00:00 AM"), 0);
  EXPECT_EQ(ParseShortDateText("01/02/2014"), DayNumberFromDate(2014, 1, 2));
  for (std::int32_t day = DayNumberFromDate(1999, 1, 1); day <= DayNumberFromDate(2030, 12, 31); ++day)
    ASSERT_EQ(ParseShortDateText(FormatShortDateText(day)), day) << FormatShortDateText(day);
  for (const char* text : {"", " 1/1/2014", "1/1/14", "001/1/2014", "1-1-2014", "1/1", "13/1/2014",
                           "1/0/2014", "2/29/2023", "4/31/2024", "2/29/1900", "+1/1/2014", "12:00:00 am"})
    EXPECT_EQ(ParseShortDateText(text), std::nullopt) << '"' << text << '"';
}

}  // namespace
}  // namespace quorvane
