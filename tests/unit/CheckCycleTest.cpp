#include <gtest/gtest.h>

#include <functional>

#include "app/Calendar.h"
#include "app/Version.h"
#include "ddns/ProviderCatalogue.h"
#include "monitor/CheckCycle.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

constexpr const char* kEcho = "http://echo.test/";
constexpr IPv4Address kLoopback{127, 0, 0, 1};
constexpr IPv4Address kLan{192, 168, 1, 20};
using Table = std::vector<IPv4Address>;
using Lines = std::vector<std::string>;

// A download that can run code meanwhile, as a nested message loop may while the program waits.
class HookedPlatform : public FakePlatform {
 public:
  using FakePlatform::FakePlatform;
  std::function<void()> onDownload;
  bool DownloadToFile(const std::string& url, const std::string& path) override {
    if (onDownload) onDownload();
    return FakePlatform::DownloadToFile(url, path);
  }
};

class CheckCycleTest : public ProgramFixture {
 protected:
  CheckCycleTest() : net(temp.Path() + "/appdata", temp.Path() + "/tmp/") {
    const std::string dataFolder = program->state.dataFolder;
    program = std::make_unique<Program>(net, desktop, desktop);
    program->state.dataFolder = dataFolder;
    program->state.userAgent = BuildUserAgent();
    program->base64.InitBase64Table();
    SetUrls(kEcho);
    net.pages[kEcho] = "203.0.113.7\n";
    net.addressTable = Table{kLoopback, kLan};
    program->form.checkRequest = "0";
    program->form.txtInterval.SetText("5");
    program->state.lastUpdateDate = DayNumberOf(net.now);
    frmMain& form = program->form;
    form.chkUpdateDynDNS.SetValue(1);
    form.cmbDDNSservice.SetText(ProviderCatalogue().front().displayName);
    form.txtDDNSusername.SetText("user");
    form.txtDDNSpassword.SetText("secret");
    form.txtDDNShostname.SetText("home.example.org");
  }

  void Request() {
    program->form.checkRequest = "1";
    CheckAddresses(*program);
  }
  // The address change lines that one Request() logs.
  Lines NewChangeLines() {
    const std::size_t before = LogTexts().size();
    Request();
    Lines texts = LogTexts(), lines;
    for (std::size_t i = before; i < texts.size(); ++i)
      if (texts[i].find(" changed to ") != std::string::npos) lines.push_back(texts[i]);
    return lines;
  }

  HookedPlatform net;
};

TEST_F(CheckCycleTest, IntervalDecidesWhichTicksCheck) {
  const std::vector<std::pair<std::string, std::vector<int>>> cases = {
      {"5", {5, 10, 15}}, {"", {1, 2, 3}}, {"abc", {1, 2, 3}}, {"3 min", {3, 6}}, {"2.5", {3, 6}}};
  for (const auto& [interval, checkingTicks] : cases) {
    SCOPED_TRACE("interval '" + interval + "'");
    program->form.txtInterval.SetText(interval);
    program->state.minuteCount = 0;
    std::vector<int> checked;
    for (int tick = 1; tick <= checkingTicks.back(); ++tick) {
      net.downloads.clear();
      CheckAddresses(*program);
      if (!net.downloads.empty()) checked.push_back(tick);
    }
    EXPECT_EQ(checked, checkingTicks);
  }
}

TEST_F(CheckCycleTest, SuspendSkipsTimedChecksButNotRequestsOrStartup) {
  program->form.chkOffline.SetValue(1);
  for (int tick = 1; tick <= 5; ++tick) CheckAddresses(*program);
  EXPECT_TRUE(net.downloads.empty());
  program->state.startingUp = true;
  Request();
  program->state.startingUp = false;
  Request();
  EXPECT_EQ(net.downloads.size(), 2u);
}

TEST_F(CheckCycleTest, AddressChangesOutagesAndRecoveries) {
  struct Step {
    std::string page;  // empty: the echo service does not answer
    bool lanUp;        // false: the only interface has no address
    Lines changeLines;
    bool updateWanted;
  };
  const Lines firstRun = {"External IP  changed to 203.0.113.7", "Internal IP  changed to 192.168.1.20"};
  const std::vector<Step> steps = {
      {"203.0.113.7", true, firstRun, true},  // no ip.txt yet
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}, false},
      {"", true, {}, false},
      {"203.0.113.7", true, {"External IP 0.0.0.0 changed to 203.0.113.7"}, false},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}, false},
      {"198.51.100.4", true, {"External IP 0.0.0.0 changed to 198.51.100.4"}, true},
      {"198.51.100.4", false, {"Internal IP 192.168.1.20 changed to 0.0.0.0"}, true},
      {"198.51.100.4", false, {}, false},
      {"198.51.100.4", true, {"Internal IP 0.0.0.0 changed to 192.168.1.20"}, false},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    net.pages.clear();
    if (!step.page.empty()) net.pages[kEcho] = step.page;
    net.addressTable = step.lanUp ? Table{kLoopback, kLan} : Table{{0, 0, 0, 0}, kLoopback};
    net.sleeps.clear();
    EXPECT_EQ(NewChangeLines(), step.changeLines);
    EXPECT_EQ(program->state.updateNeeded, step.updateWanted);
    const std::string external = step.page.empty() ? "0.0.0.0" : step.page;
    const std::string internal = step.lanUp ? "192.168.1.20" : "0.0.0.0";
    EXPECT_EQ(ReadAll(DataFile("ip.txt")), external + "\r\n" + internal + "\r\n");
    EXPECT_EQ(net.sleeps, step.page.empty() ? std::vector<int>{3000} : std::vector<int>{});
  }
}

TEST_F(CheckCycleTest, ThirtyDayRuleForcesAnUpdateWithoutAnyChange) {
  const std::string notice =
      "30 days or more since last update. Performing DDNS update to keep account active.";
  Request();
  for (const auto& [daysAgo, fires] :
       std::vector<std::pair<std::int32_t, bool>>{{29, false}, {-5, false}, {30, true}}) {
    SCOPED_TRACE(std::to_string(daysAgo) + " days ago");
    program->state.lastUpdateDate = DayNumberOf(net.now) - daysAgo;
    net.httpRequests.clear();
    Request();
    const Lines texts = LogTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), notice), fires ? 1 : 0);
    EXPECT_EQ(!net.httpRequests.empty(), fires);
  }
}

TEST_F(CheckCycleTest, TickDuringARunningCheckIsSkipped) {
  net.onDownload = [this] { CheckAddresses(*program); };  // the timer fires while the download blocks
  Request();
  EXPECT_EQ(program->state.minuteCount, 0);
  net.onDownload = nullptr;
  CheckAddresses(*program);
  EXPECT_EQ(program->state.minuteCount, 1);
}

}  // namespace
}  // namespace quorvane::testing
