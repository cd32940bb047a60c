#include "core/SettingNames.h"

#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"

namespace quorvane::testing {
namespace {

// A value set by name reads back in its stored spelling; what the window would not take is refused, said
// escaped with the setting's name, and changes nothing. The password is shown masked unless asked for.
TEST(SettingNamesTest, ValuesAreCheckedStoredInTheirOwnSpellingAndReadBack) {
  FakePlatform clock{"/none", "/none/"};
  const std::pair<std::string, std::string> cases[] = {
      // assignment, shown ("": refused); a line per setting
      // clang-format off
      {"service=dyndns", "DynDNS"}, {"service=dns-o-matic.com", ""},
      {"update=YES", "yes"},
      {"interval=43200", "43200"}, {"interval=1", ""}, {"interval=5x", ""},
      {"wildcard=nochg", "NOCHG"}, {"backup-mx=ON", ""},
      {"hostnames=a.example.org,b.example.org", "a.example.org,b.example.org"},
      {"hostnames=a.example.org b", ""}, {"username=al\x1b[2Kice", ""},
      {"password=s3cret pass=x", "s3cret pass=x"}, {"password=a\rb", ""},
      {"last-update=12/6/2026", "12/6/2026"}, {"last-update=yesterday", ""},
      {"echo-urls=https://a.example/ip,HTTP://b.example/", "https://a.example/ip,HTTP://b.example/"},
      {"echo-urls=ftp://a.example/", ""}, {"echo-urls=https://a.example/,", ""},
      // clang-format on
  };
  for (const auto& [assignment, shown] : cases) {
    SCOPED_TRACE(assignment);
    const std::string name = assignment.substr(0, assignment.find('='));
    Settings s = DefaultSettings();
    const std::optional<std::string> refused = SetNamedSetting(s, assignment, clock);
    std::string names, value;
    for (const NamedSetting& line : NamedSettings(s, clock, true)) {
      names += line.name + " ";
      if (line.name == name) value = line.value;
    }
    EXPECT_EQ(names,
              "update service username password hostnames system mx backup-mx wildcard offline interval "
              "log-everything suspend last-update echo-urls notify-problems ");
    EXPECT_EQ(refused.has_value(), shown.empty());
    EXPECT_EQ(refused ? s == DefaultSettings() : value == shown, true) << refused.value_or(value);
    EXPECT_TRUE(!refused || refused->find_first_of("\x1b\r") == std::string::npos) << "escaped";
    EXPECT_TRUE(!refused || refused->find(name) != std::string::npos) << *refused;
  }
  Settings s = DefaultSettings();
  s.password = "s3cret";
  EXPECT_EQ(NamedSettings(s, clock, false)[3].value, "********");
  EXPECT_EQ(SetNamedSetting(s, "interval=1\x1b", clock),
            "interval: \"1\\x1B\" is not allowed; allowed: a whole number of minutes from 2 to 43200");
}

}  // namespace
}  // namespace quorvane::testing
