#include "core/SettingsFile.h"

#include <gtest/gtest.h>

#include "core/Preferences.h"
#include "fakes/FakePlatform.h"
#include "platform/Calendar.h"

namespace quorvane::testing {
namespace {

struct SettingsFileTest : ::testing::Test {
  FakePlatform clock{"/none", "/none/"};
  ParsedSettings Parse(const std::string& text, const Settings& base = {}) {
    return ParseSettingsFile(text, clock, base);
  }
};

std::string Join(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

TEST_F(SettingsFileTest, DefaultFileReadsAsTheDefaultsAndRendersInTheOldFormat) {
  EXPECT_EQ(Parse(DefaultSettingsText()).settings, DefaultSettings());
  Settings s = DefaultSettings();
  s.updateEnabled = true;
  EXPECT_EQ(
      RenderSettingsFile(s, clock),
      " 1 \r\nDNS-O-Matic\r\n\r\n\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n 0 \r\n 0 \r\n1/1/2014\r\n"
      "http://api.ipify.org/\r\nhttp://myip.dnsomatic.com/\r\nhttp://checkip.dyndns.org/\r\n");
}

// With any CR in the file lines end at CR LF or CR (a lone LF stays in its value); else at LF.
TEST_F(SettingsFileTest, LineEnds) {
  const std::vector<std::string> lines = {"1", "DynDNS",   "al\nice",   "pw", "h",        "",
                                          "",  "",         "",          "",   "7",        "1",
                                          "0", "3/4/2026", "http://a/", "",   "http://b/"};
  for (const char* end : {"\r\n", "\r"}) {
    const Settings s = Parse(Join(lines, end)).settings;
    EXPECT_EQ(std::make_tuple(s.updateEnabled, s.service, s.userName, s.password, s.intervalMinutes,
                              s.logEverything, s.suspended, s.lastUpdateDay, s.echoUrls),
              std::make_tuple(true, "DynDNS", "al\nice", "pw", 7, true, false, DayNumberFromDate(2026, 3, 4),
                              std::vector<std::string>{"http://a/", "", "http://b/"}));
  }
  // No CR at all: the LF inside the user name ends a line and shifts the rest by one.
  const Settings shifted = Parse(Join(lines, "\n")).settings;
  EXPECT_EQ(
      std::make_pair(shifted.userName, shifted.echoUrls),
      std::make_pair(std::string("al"), std::vector<std::string>{"3/4/2026", "http://a/", "", "http://b/"}));
}

TEST_F(SettingsFileTest, FlagsIntervalAndDate) {
  const struct {
    std::string flag, interval, date;
    bool set;
    int minutes;
    std::optional<std::string> clampedFrom;
    std::int32_t day;
  } cases[] = {
      {"+1", " 12 ", "12/31/2099", true, 12, std::nullopt, DayNumberFromDate(2099, 12, 31)},
      {"2", "abc", "no date", false, 2, "abc", 77},
      {"", "0", "2/30/2026", false, 2, "0", 77},
      {"x1", "43201", "", false, 43200, "43201", 77},
      {"1.4", "2.5", "1/1/2014", true, 2, std::nullopt, DayNumberFromDate(2014, 1, 1)},
      {" +1", "43200", "1/1/2014", true, 43200, std::nullopt, DayNumberFromDate(2014, 1, 1)},
      {"1", "1e999", "1/1/2014", true, 43200, "1e999", DayNumberFromDate(2014, 1, 1)},
      {"1", "1e1", "1/1/2014", true, 10, std::nullopt, DayNumberFromDate(2014, 1, 1)},
      {"1", "9223372036854775808", "", true, 43200, "9223372036854775808", 77},
      {"1", "0." + std::string(400, '1') + "e-330", "", true, 2, "0." + std::string(400, '1') + "e-330", 77},
  };
  Settings base;
  base.lastUpdateDay = 77;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flag + "|" + c.interval + "|" + c.date);
    const std::string text =
        Join({c.flag, "", "", "", "", "", "", "", "", "", c.interval, c.flag, c.flag, c.date}, "\r\n");
    const auto [s, clampedFrom] = Parse(text, base);
    EXPECT_EQ(std::make_tuple(s.updateEnabled, s.logEverything, s.suspended, s.intervalMinutes, clampedFrom,
                              s.lastUpdateDay),
              std::make_tuple(c.set, c.set, c.set, c.minutes, c.clampedFrom, c.day));
  }
}

TEST_F(SettingsFileTest, TextsAreTrimmedOfBlanksOnlyAndShortFilesGiveEmptyValues) {
  const Settings s = Parse(" 1 \r\n  DynDNS \r\n\tuser \r\n").settings;
  EXPECT_EQ(std::make_tuple(s.service, s.userName, s.password, s.mx, s.echoUrls.size()),
            std::make_tuple("DynDNS", "\tuser", "", "", std::size_t{0}));
}

// Render and parse round-trip; rendering over the old text keeps each unchanged line byte for byte.
TEST_F(SettingsFileTest, RoundTripAndUnchangedLinesKept) {
  Settings s = DefaultSettings();
  s.echoUrls = {"http://a/", "", "x\ny"};
  const std::string rendered = RenderSettingsFile(s, clock);
  EXPECT_EQ(Parse(rendered).settings, s);
  EXPECT_EQ(RenderSettingsFile(Parse(rendered).settings, clock), rendered);

  const std::string previous =
      "\xEF\xBB\xBF"
      "1\nDNS-O-Matic  \nbob\n\n\n\nNOCHG\nNOCHG\nON\nNO\nabc\n0\n0\n01/01/2014\nhttp://a/\n";
  Settings edited = Parse(previous).settings;
  edited.password = "new";
  EXPECT_EQ(RenderSettingsFile(edited, clock, previous),
            "\xEF\xBB\xBF"
            "1\r\nDNS-O-Matic  \r\nbob\r\nnew\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n2\r\n0\r\n0\r\n"
            "01/01/2014\r\nhttp://a/\r\n");
  edited.echoUrls = {"http://b/"};
  edited.updateEnabled = false;
  EXPECT_EQ(RenderSettingsFile(edited, clock, previous).substr(0, 8), "\xEF\xBB\xBF 0 \r\n");
  EXPECT_TRUE(RenderSettingsFile(edited, clock, previous).ends_with("01/01/2014\r\nhttp://b/\r\n"));
}

// A merge keeps each field I changed, theirs elsewhere; the fingerprint covers the provider fields only.
TEST(SettingsTest, MergeAndFingerprint) {
  const Settings base = DefaultSettings();
  std::string Settings::*const fields[] = {&Settings::service,   &Settings::userName, &Settings::password,
                                           &Settings::hostNames, &Settings::system,   &Settings::mx,
                                           &Settings::backupMx,  &Settings::wildcard, &Settings::offline};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    Settings mine = base, theirs = base;
    mine.*fields[i] = "mine";
    theirs.*fields[i] = "theirs";
    theirs.intervalMinutes = 9;
    const Settings merged = MergeSettings(mine, base, theirs);
    EXPECT_EQ(std::make_pair(merged.*fields[i], merged.intervalMinutes),
              std::make_pair(std::string("mine"), 9));
    EXPECT_EQ(ProviderFingerprint(mine) != ProviderFingerprint(base), i < 5) << i;
  }
  for (bool Settings::*const flag :
       {&Settings::updateEnabled, &Settings::logEverything, &Settings::suspended}) {
    Settings mine = base;
    mine.*flag = true;
    EXPECT_TRUE(MergeSettings(mine, base, base).*flag);
  }
  Settings mine = base, theirs = base;
  std::tie(mine.intervalMinutes, mine.lastUpdateDay, mine.echoUrls, mine.notifyProblems) =
      std::tuple(7, 99, std::vector<std::string>{"http://m/"}, !base.notifyProblems);
  std::tie(theirs.intervalMinutes, theirs.lastUpdateDay, theirs.echoUrls) =
      std::tuple(9, 88, std::vector<std::string>{"http://t/"});
  EXPECT_EQ(MergeSettings(mine, base, theirs), mine);
}

// preferences.txt keeps lines it does not know, one line per name of ours; a value not yes/no is ignored.
TEST(PreferencesTest, UnknownLinesAreKeptAndOursWritten) {
  Settings s;
  ReadPreferences("colour=red\nnotify-problems\nnotify-problems=no\r\nnotify-problems=maybe\r\n", s);
  EXPECT_FALSE(s.notifyProblems);
  EXPECT_EQ(RenderPreferences(s, "colour=red\r\nnotify-problems=yes\r\nnotify-problems=x\r\n\r\n"),
            "colour=red\r\nnotify-problems=no\r\n\r\n");
  EXPECT_EQ(RenderPreferences(Settings{}, ""), "notify-problems=yes\r\n");
}

}  // namespace
}  // namespace quorvane::testing
