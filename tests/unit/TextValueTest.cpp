#include "settings/TextValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace quorvane {
namespace {

TEST(TextValueTest, TrimBlanksRemovesOnlyBlanksAtBothEnds) {
  struct Case {
    std::string text, expected;
  };
  const Case cases[] = {
      {"", ""}, {"   ", ""}, {"  a b  ", "a b"}, {"\tpw\t", "\tpw\t"}, {" \t x \t ", "\t x \t"}, {"x", "x"},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimBlanks(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextValueTest, LeadingNumberReadsTheLongestLeadingDecimalNumber) {
  struct Case {
    std::string text;
    double expected;
  };
  const Case cases[] = {
      {"", 0},          {"abc", 0},       {" 1 ", 1},  {"1", 1},   {"  12 minutes", 12},
      {"1 2 3", 123},  // blanks inside are ignored too
      {"- 3.5x", -3.5}, {"+2", 2},        {".5", 0.5}, {"5.", 5},  {"1.2.3", 1.2},
      {"1e3", 1000},    {"2D2", 200},     {"1e", 1},  // an exponent letter without digits is not part of the
                                                      // number
      {"1e+", 1},       {"1.5e-1", 0.15}, {"--1", 0},  {"+-1", 0}, {"-", 0},
      {".", 0},         {"\t1", 0},  // only the blank is skipped
      {"007", 7},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextValueTest, LeadingNumberBeyondDoubleRangeSaturates) {
  EXPECT_EQ(LeadingNumber("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("1e-400"), 0.0);
  EXPECT_EQ(LeadingNumber(std::string(400, '9') + "e-1"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(TextValueTest, IsNumericNeedsTheWholeTextToBeOneNumber) {
  struct Case {
    std::string text;
    bool expected;
  };
  const Case cases[] = {
      {"5", true},   {"  5  ", true}, {"-1.5", true}, {"+3", true},   {".5", true},     {"5.", true},
      {"1e5", true}, {"", false},     {"   ", false}, {"abc", false}, {"5a", false},    {"1 2", false},
      {".", false},  {"-", false},    {"\t5", false}, {"1e", false},  {"1.2.3", false}, {"- 5", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsNumeric(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextValueTest, RoundHalfEvenRoundsHalvesToTheEvenNumber) {
  struct Case {
    double value;
    long expected;
  };
  const Case cases[] = {
      {0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},   {-0.5, 0}, {-1.5, -2},
      {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.6, -3}, {0.0, 0},  {7.0, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.value), c.expected) << c.value;
}

TEST(TextValueTest, RoundHalfEvenClampsWhatLongCannotHold) {
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<long>::max());
  EXPECT_EQ(RoundHalfEven(-1e300), std::numeric_limits<long>::min());
  EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), std::numeric_limits<long>::max());
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(TextValueTest, ReplaceAllDoesNotRescanItsOwnOutput) {
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("a.b.c", ".", ""), "abc");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("x\r\ny\r\n", "\r\n", "|"), "x|y|");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

}  // namespace
}  // namespace quorvane
