#include <gtest/gtest.h>

#include <array>

#include "monitor/modGetHostName.h"
#include "monitor/modGetIP.h"
#include "monitor/modGetLANIP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using AddressSourcesTest = ProgramFixture;

// Entries are tried in order until a page yields a dotted quad (cut out by a service's own markers
// where it has some); a trailing line end of the list is dropped, an empty entry counts as one.
TEST_F(AddressSourcesTest, EchoPagesAndTheirRules) {
  const std::string kB = "http://b.test/ip";
  SetUrls("http://a.test/ip\r\n\r\n" + kB + "\r\n");
  platform.pages[kB] = "198.51.100.4";
  EXPECT_EQ(GetWanIP(*program), "198.51.100.4");
  EXPECT_EQ(platform.downloads, (std::vector<std::string>{"http://a.test/ip", "", kB}));
  EXPECT_EQ(program->form.txtExternalIPURL.Text(), "http://a.test/ip\r\n\r\n" + kB);

  const std::string dyndns = "http://checkip.dyndns.org/", good = "203.0.113.7";
  const std::vector<std::array<std::string, 3>> cases = {
      {kEcho, "  203.0.113.7\r\n", good},
      {kEcho, "   \r\n", ""},
      {kEcho, "<h1>503 Service Unavailable</h1>", ""},
      {kEcho, "1.2.3.256", ""},
      {kEcho, "1.2.3.4 and more", ""},
      {dyndns, "<body>Current IP Address: 203.0.113.7</body>\r\n", good},
      {dyndns, "203.0.113.7\r\n", good},  // no end marker: the whole page
      {"https://ipdetect.dnspark.com/", "<body>Current Address: 203.0.113.7\n</body>", good},
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7<br>", good},
      {"http://CheckIP.DynDNS.org/", "<body>Current IP Address: 203.0.113.7</body>", ""},
  };
  for (const auto& [url, page, expected] : cases) {
    SCOPED_TRACE(url + " page '" + page + "'");
    SetUrls(url + "\r\n" + kB);
    platform.pages = {{url, page}, {kB, "198.51.100.4"}};
    EXPECT_EQ(GetWanIP(*program), expected.empty() ? "198.51.100.4" : expected);
  }
  platform.pages.clear();
  EXPECT_EQ(GetWanIP(*program), "(unable to access)");
}

// The LAN address is the last entry other than the exact loopback text; the host name ends at a NUL.
TEST_F(AddressSourcesTest, LanAddressAndHostName) {
  using Table = std::vector<IPv4Address>;
  const std::vector<std::pair<std::optional<Table>, std::optional<std::string>>> cases = {
      {Table{{10, 0, 0, 5}, {127, 0, 0, 1}, {192, 168, 1, 20}}, "192.168.1.20"},
      {Table{{127, 0, 0, 1}}, ""},
      {Table{{127, 0, 0, 1}, {127, 0, 1, 1}}, "127.0.1.1"},
      {std::nullopt, std::nullopt}};
  for (const auto& [table, expected] : cases) {
    platform.addressTable = table;
    EXPECT_EQ(GetLANIP(platform), expected) << (expected ? *expected : "unreadable");
  }
  platform.computerName = std::string("OFFICE PC\0junk", 14);
  EXPECT_EQ(GetHostName(platform), "OFFICE PC");
}

}  // namespace
}  // namespace quorvane::testing
