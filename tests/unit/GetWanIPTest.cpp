#include <gtest/gtest.h>

#include "monitor/modGetIP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

constexpr const char* kA = "http://a.test/ip";
constexpr const char* kB = "http://b.test/ip";

class GetWanIPTest : public ProgramFixture {
 protected:
  GetWanIPTest() { program->form.chkExcessiveLogging.SetValue(1); }
  std::string WanFile() const { return platform.tempFolder + "wan_ip.txt"; }
};

TEST_F(GetWanIPTest, TriesEntriesInOrderUntilOneAnswersAndDropsTrailingLineEnd) {
  SetUrls(std::string(kA) + "\r\n\r\n" + kB + "\r\n");
  platform.pages[kB] = "203.0.113.7\n";
  EXPECT_EQ(GetWanIP(*program), "203.0.113.7");
  EXPECT_EQ(program->form.txtExternalIPURL.Text(), std::string(kA) + "\r\n\r\n" + kB);
  EXPECT_EQ(platform.downloads, (std::vector<std::string>{kA, "", kB}));
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{
                            std::string("Getting WAN IP address from ") + kA, "Get WAN IP address failed.",
                            "Getting WAN IP address from ", "Get WAN IP address failed.",
                            std::string("Getting WAN IP address from ") + kB, "Got WAN IP address."}));
  EXPECT_FALSE(platform.FileExists(WanFile()));

  // A later entry is not asked once an earlier one answers.
  platform.downloads.clear();
  platform.pages[kA] = "198.51.100.4";
  EXPECT_EQ(GetWanIP(*program), "198.51.100.4");
  EXPECT_EQ(platform.downloads, std::vector<std::string>{kA});
}

TEST_F(GetWanIPTest, OnlyADottedQuadCountsAsAnAnswer) {
  struct Case {
    std::string page;
    std::string expected;  // empty: the entry fails and the next one is tried
  };
  const std::vector<Case> cases = {
      {"203.0.113.7", "203.0.113.7"},
      {"  203.0.113.7\r\n", "203.0.113.7"},
      {"0.0.0.0", "0.0.0.0"},
      {"255.255.255.255", "255.255.255.255"},
      {"", ""},
      {"   \r\n", ""},
      {"<html><body><h1>503 Service Unavailable</h1></body></html>", ""},
      {"<html><head><meta http-equiv=\"refresh\" content=\"0;url=http://login.hotspot/\"></head></html>", ""},
      {"1.2.3", ""},
      {"1.2.3.4.5", ""},
      {"1.2.3.256", ""},
      {"1.2.3.1000", ""},
      {"1..3.4", ""},
      {"1.2.3.4 and more", ""},
      {"\t1.2.3.4", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("page '" + c.page + "'");
    SetUrls(std::string(kA) + "\r\n" + kB);
    platform.pages = {{kA, c.page}, {kB, "198.51.100.4"}};
    platform.downloads.clear();
    const std::string result = GetWanIP(*program);
    EXPECT_EQ(result, c.expected.empty() ? "198.51.100.4" : c.expected);
    EXPECT_EQ(platform.downloads.size(), c.expected.empty() ? 2u : 1u);
  }
}

TEST_F(GetWanIPTest, AllEntriesFailingGivesTheFailureValueAndKeepsTheLastPage) {
  SetUrls(std::string(kA) + "\r\n" + kB);
  platform.pages[kB] = "<html>login</html>";
  EXPECT_EQ(GetWanIP(*program), "(unable to access)");
  EXPECT_EQ(ReadAll(WanFile()), "<html>login</html>");

  platform.tempFolder = "";  // no safe place for the page: nothing is downloaded
  platform.downloads.clear();
  EXPECT_EQ(GetWanIP(*program), "(unable to access)");
  EXPECT_TRUE(platform.downloads.empty());

  SetUrls("\r\n");  // only a line end: no entries at all once it is removed
  platform.downloads.clear();
  EXPECT_EQ(GetWanIP(*program), "");
  EXPECT_EQ(program->form.txtExternalIPURL.Text(), "");
  EXPECT_TRUE(platform.downloads.empty());
}

TEST_F(GetWanIPTest, ExtractionRules) {
  struct Case {
    std::string url;
    std::string page;
    std::string expected;  // "(unable to access)" when nothing usable is cut out
  };
  const std::string fail = "(unable to access)";
  const std::vector<Case> cases = {
      {"http://checkip.dyndns.org/",
       "<html><head><title>Current IP Check</title></head><body>Current IP Address: "
       "203.0.113.7</body></html>\r\n",
       "203.0.113.7"},
      // No end marker: the whole page (less its CR LF pairs) is the answer.
      {"http://checkip.dyndns.org/", "203.0.113.7\r\n", "203.0.113.7"},
      {"http://checkip.dyndns.org/", "<body>Current IP Address: 203.0.113.7\r\n", fail},
      // No start marker: the cut starts after as many characters as the marker has (20).
      {"http://checkip.dyndns.org/", "0123456789012345678203.0.113.7</body>", "203.0.113.7"},
      // End marker before the start: the whole page.
      {"http://checkip.dyndns.org/", "</body>Current IP Address: 203.0.113.7", fail},
      {"https://ipdetect.dnspark.com/", "<body>Current Address: 203.0.113.7\n</body>", "203.0.113.7"},
      {"https://ipdetect.dnspark.com/", "Current Address: 203.0.113.7", fail},
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7<br>Thanks",
       "203.0.113.7"},
      // Each rule cuts at its own end marker only.
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7</body>", fail},
      // The match key is compared case-sensitively; other entries must answer with the bare address.
      {"http://CheckIP.DynDNS.org/", "<body>Current IP Address: 203.0.113.7</body>", fail},
      {"http://other.test/", "<body>Current IP Address: 203.0.113.7</body>", fail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url + " page '" + c.page + "'");
    SetUrls(c.url);
    platform.pages = {{c.url, c.page}};
    EXPECT_EQ(GetWanIP(*program), c.expected);
  }
}

TEST_F(GetWanIPTest, DeveloperModeShowsTheStartOfEveryDownloadedPage) {
  program->form.chkExcessiveLogging.SetValue(0);  // keeps the log's own message boxes out
  program->state.debugMode = true;
  SetUrls(std::string(kA) + "\r\nhttp://missing.test/\r\n" + kB);
  platform.pages = {{kA, "<html>captive portal</html>"}, {kB, "203.0.113.7"}};
  EXPECT_EQ(GetWanIP(*program), "203.0.113.7");
  using Box = std::pair<std::string, std::string>;
  EXPECT_EQ(desktop.messages,
            (std::vector<Box>{{"<html>captive p", "Quorvane"}, {"203.0.113.7", "Quorvane"}}));
  EXPECT_TRUE(LogTexts().empty());
}

}  // namespace
}  // namespace quorvane::testing
