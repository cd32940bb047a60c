#include <gtest/gtest.h>

#include <array>

#include "monitor/modGetHostName.h"
#include "monitor/modGetIP.h"
#include "monitor/modGetLANIP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

constexpr const char* kA = "http://a.test/ip";
constexpr const char* kB = "http://b.test/ip";
const std::string kFail = "(unable to access)";

using AddressSourcesTest = ProgramFixture;

TEST_F(AddressSourcesTest, EchoEntriesAreTriedInOrderUntilOneYieldsAnAddress) {
  SetUrls(std::string(kA) + "\r\n\r\n" + kB + "\r\n");
  platform.pages[kB] = "203.0.113.7\n";
  EXPECT_EQ(GetWanIP(*program), "203.0.113.7");
  EXPECT_EQ(platform.downloads, (std::vector<std::string>{kA, "", kB}));
  EXPECT_EQ(program->form.txtExternalIPURL.Text(), std::string(kA) + "\r\n\r\n" + kB);

  // The first page decides whether the second entry is asked.
  SetUrls(std::string(kA) + "\r\n" + kB);
  for (const std::string page : {"  203.0.113.7\r\n", "   \r\n", "<h1>503 Service Unavailable</h1>",
                                 "1.2.3.256", "1.2.3.4 and more"}) {
    SCOPED_TRACE("page '" + page + "'");
    const bool good = page.find("203.0") != std::string::npos;
    platform.pages = {{kA, page}, {kB, "198.51.100.4"}};
    platform.downloads.clear();
    EXPECT_EQ(GetWanIP(*program), good ? "203.0.113.7" : "198.51.100.4");
    EXPECT_EQ(platform.downloads.size(), good ? 1u : 2u);
  }
  platform.pages = {{kA, "<html>login</html>"}};
  EXPECT_EQ(GetWanIP(*program), kFail);
}

TEST_F(AddressSourcesTest, ExtractionRuleCutsBetweenItsMarkers) {
  const std::vector<std::array<std::string, 3>> cases = {
      {"http://checkip.dyndns.org/", "<body>Current IP Address: 203.0.113.7</body>\r\n", "203.0.113.7"},
      {"http://checkip.dyndns.org/", "203.0.113.7\r\n", "203.0.113.7"},  // no end marker: the whole page
      {"https://ipdetect.dnspark.com/", "<body>Current Address: 203.0.113.7\n</body>", "203.0.113.7"},
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7<br>", "203.0.113.7"},
      {"http://CheckIP.DynDNS.org/", "<body>Current IP Address: 203.0.113.7</body>", kFail},
  };
  for (const auto& [url, page, expected] : cases) {
    SCOPED_TRACE(url + " page '" + page + "'");
    SetUrls(url);
    platform.pages = {{url, page}};
    EXPECT_EQ(GetWanIP(*program), expected);
  }
}

// The LAN address is the last entry other than the exact loopback text; the host name ends at a NUL.
TEST_F(AddressSourcesTest, LanAddressAndHostName) {
  using Table = std::vector<IPv4Address>;
  const std::vector<std::pair<std::optional<Table>, std::optional<std::string>>> cases = {
      {Table{{10, 0, 0, 5}, {127, 0, 0, 1}, {192, 168, 1, 20}}, "192.168.1.20"},
      {Table{{127, 0, 0, 1}}, ""},
      {Table{{127, 0, 0, 1}, {127, 0, 1, 1}}, "127.0.1.1"},
      {std::nullopt, std::nullopt},
  };
  for (const auto& [table, expected] : cases) {
    platform.addressTable = table;
    EXPECT_EQ(GetLANIP(platform), expected) << (expected ? *expected : "unreadable");
  }
  platform.computerName = std::string("OFFICE PC\0junk", 14);
  EXPECT_EQ(GetHostName(platform), "OFFICE PC");
}

}  // namespace
}  // namespace quorvane::testing
