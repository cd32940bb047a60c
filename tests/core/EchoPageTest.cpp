#include "core/EchoPage.h"

#include <gtest/gtest.h>

#include "core/ChangeLog.h"
#include "core/ComputerName.h"
#include "core/IPv4.h"
#include "core/LanAddress.h"

namespace quorvane::testing {
namespace {

TEST(EchoPageTest, OnlyOnePublicAddressOnOneLineCounts) {
  const auto addressOf = [](const std::string& url, const std::string& page) {
    const PageAddress found = AddressFromPage(url, page);
    EXPECT_EQ(found.reason.empty(), found.address.has_value()) << page;
    return found.address ? IPv4Text(*found.address) : "";
  };
  // Public addresses at the edges of the reserved ranges count; the ranges, bad numbers, other text and a
  // number glued across lines do not.
  for (const char* page : {"198.51.100.255", "100.128.0.1", "172.32.0.1", "192.254.0.1"})
    EXPECT_EQ(addressOf("http://echo.test/", page), page);
  for (const char* page : {"0.0.0.0", "10.1.2.3", "100.64.0.1", "127.0.0.1", "169.254.1.1", "172.16.0.1",
                           "172.31.255.255", "192.168.1.20", "224.0.0.1", "203.0.113.256", "2030.0.113.7",
                           "<html>error</html>", "203.0.113.7\n5\n"})
    EXPECT_EQ(addressOf("http://echo.test/", page), "") << page;
  const struct {
    std::string url, page, address;  // empty address: the page gives none
  } cases[] = {
      // clang-format off
      {"http://echo.test/", " 203.0.113.7\r\n\r\n", "203.0.113.7"},
      {"http://echo.test/", "203.000.113.007\n", "203.0.113.7"},       // leading zeros: decimal, canonical
      {"http://checkip.dyndns.org/", "<body>Current IP Address: 203.0.113.7</body>", "203.0.113.7"},
      {"http://checkip.dyndns.org/", "<body>Current IP Address: 203.0.113.7\r\n</body>", "203.0.113.7"},
      {"http://checkip.dyndns.org/", "Current IP Address: 203.0.113.7", ""},  // no end marker: the whole page
      {"http://ipdetect.dnspark.com/", "Current Address: 198.51.100.4</body>", "198.51.100.4"},
      {"http://dynamic.zoneedit.com/", "Current IP Address: 198.51.100.4<br>x</body>", "198.51.100.4"},
      {"http://dynamic.zoneedit.com/", "198.51.100.4<br>", ""},  // absent start marker: the whole page
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(addressOf(c.url, c.page), c.address) << c.url;
  EXPECT_EQ(EchoEntries({" http://a/ ", "", "  "}), (std::vector<std::string>{"http://a/"}));
}

// The last entry but 127.0.0.1; 0.0.0.0 stands for a lost address, loopback alone for none at all.
TEST(LanAddressTest, LastEntryOtherThanLoopback) {
  const auto shown = [](const std::vector<IPv4Address>& table) {
    const auto lan = LanAddress(table);
    return lan ? ShownAddress(lan) : "";
  };
  EXPECT_EQ(shown({{10, 0, 0, 5}, {127, 0, 0, 1}, {192, 168, 1, 20}}), "192.168.1.20");
  EXPECT_EQ(shown({{10, 0, 0, 5}, {127, 0, 0, 1}}), "10.0.0.5");
  EXPECT_EQ(shown({{0, 0, 0, 0}, {127, 0, 0, 1}}), "0.0.0.0");
  EXPECT_EQ(shown({{127, 0, 0, 2}}), "127.0.0.2");
  EXPECT_EQ(shown({{127, 0, 0, 1}}), "");
  EXPECT_EQ(shown({}), "");
}

TEST(ChangeLogTest, LinesAndNames) {
  const LocalDateTime now{2026, 3, 7, 21, 5, 9};
  EXPECT_EQ(ChangeLogLine(now, "x"), "03-07-2026 21:05:09: x");
  EXPECT_EQ(VisibleControlCharacters("a\r\nb\t\x1b[2K\x7f\xc2\x9b\xc2\x80\xc2\xa0\xc3\xa9\\"),
            "a\\r\\nb\\t\\x1B[2K\\x7F\\xC2\\x9B\\xC2\\x80\xc2\xa0\xc3\xa9\\");
  EXPECT_EQ(ShownComputerName(std::string("OFFICE PC\0junk", 14)), "OFFICE_PC");
  EXPECT_EQ(ShownComputerName(""), "Comp1");
}

}  // namespace
}  // namespace quorvane::testing
