#include <gtest/gtest.h>

#include <array>

#include "monitor/modGetIP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

constexpr const char* kA = "http://a.test/ip";
constexpr const char* kB = "http://b.test/ip";
const std::string kFail = "(unable to access)";

using GetWanIPTest = ProgramFixture;

TEST_F(GetWanIPTest, TriesEntriesInOrderAndSkipsAnswersThatAreNotAnAddress) {
  SetUrls(std::string(kA) + "\r\n\r\n" + kB + "\r\n");
  platform.pages[kB] = "203.0.113.7\n";
  EXPECT_EQ(GetWanIP(*program), "203.0.113.7");
  EXPECT_EQ(platform.downloads, (std::vector<std::string>{kA, "", kB}));
  EXPECT_EQ(program->form.txtExternalIPURL.Text(), std::string(kA) + "\r\n\r\n" + kB);

  // The first page decides whether the second entry is asked.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"  203.0.113.7\r\n", "203.0.113.7"},
      {"   \r\n", ""},
      {"<html><body><h1>503 Service Unavailable</h1></body></html>", ""},
      {"1.2.3.256", ""},
      {"1.2.3.4 and more", ""},
  };
  SetUrls(std::string(kA) + "\r\n" + kB);
  for (const auto& [page, expected] : cases) {
    SCOPED_TRACE("page '" + page + "'");
    platform.pages = {{kA, page}, {kB, "198.51.100.4"}};
    platform.downloads.clear();
    EXPECT_EQ(GetWanIP(*program), expected.empty() ? "198.51.100.4" : expected);
    EXPECT_EQ(platform.downloads.size(), expected.empty() ? 2u : 1u);
  }
  platform.pages = {{kA, "<html>login</html>"}};
  EXPECT_EQ(GetWanIP(*program), kFail);
}

TEST_F(GetWanIPTest, ExtractionRuleCutsBetweenItsMarkers) {
  const std::vector<std::array<std::string, 3>> cases = {
      {"http://checkip.dyndns.org/", "<body>Current IP Address: 203.0.113.7</body>\r\n", "203.0.113.7"},
      {"http://checkip.dyndns.org/", "203.0.113.7\r\n", "203.0.113.7"},  // no end marker: the whole page
      {"http://checkip.dyndns.org/", "<body>Current IP Address: 203.0.113.7\r\n", kFail},
      {"https://ipdetect.dnspark.com/", "<body>Current Address: 203.0.113.7\n</body>", "203.0.113.7"},
      {"https://ipdetect.dnspark.com/", "Current Address: 203.0.113.7", kFail},
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7<br>", "203.0.113.7"},
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7</body>", kFail},
      {"http://CheckIP.DynDNS.org/", "<body>Current IP Address: 203.0.113.7</body>", kFail},
  };
  for (const auto& [url, page, expected] : cases) {
    SCOPED_TRACE(url + " page '" + page + "'");
    SetUrls(url);
    platform.pages = {{url, page}};
    EXPECT_EQ(GetWanIP(*program), expected);
  }
}

}  // namespace
}  // namespace quorvane::testing
