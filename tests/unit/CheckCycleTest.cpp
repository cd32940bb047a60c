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

// Blocking calls that can run code meanwhile, as a nested message loop may while the program waits.
class HookedPlatform : public FakePlatform {
 public:
  using FakePlatform::FakePlatform;
  std::function<void()> onDownload, onSleep;
  bool DownloadToFile(const std::string& url, const std::string& path) override {
    if (onDownload) onDownload();
    return FakePlatform::DownloadToFile(url, path);
  }
  void Sleep(int milliseconds) override {
    FakePlatform::Sleep(milliseconds);
    if (onSleep) onSleep();
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
    net.addressTable = std::vector<IPv4Address>{kLoopback, kLan};
    program->form.checkRequest = "0";
    program->form.txtInterval.SetText("5");
    program->state.lastUpdateDate = Today();
  }

  std::int32_t Today() { return DayNumberOf(net.now); }
  void Request() {
    program->form.checkRequest = "1";
    CheckAddresses(*program);
  }
  void Tick() { CheckAddresses(*program); }
  void KnownAddresses(const std::string& external, const std::string& internal) {
    program->state.lastExternalIP = program->state.lastGoodExternalIP = external;
    program->state.lastInternalIP = program->state.lastGoodInternalIP = internal;
  }
  void EnableUpdates() {
    frmMain& form = program->form;
    form.chkUpdateDynDNS.SetValue(1);
    form.cmbDDNSservice.SetText(ProviderCatalogue().front().displayName);
    form.txtDDNSusername.SetText("user");
    form.txtDDNSpassword.SetText("secret");
    form.txtDDNShostname.SetText("home.example.org");
  }
  std::vector<std::string> ChangeLines() const {
    std::vector<std::string> lines;
    for (const std::string& text : LogTexts()) {
      if (text.find(" changed to ") != std::string::npos) lines.push_back(text);
    }
    return lines;
  }
  bool Logged(const std::string& text) const {
    const std::vector<std::string> texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  HookedPlatform net;
};

TEST_F(CheckCycleTest, IntervalDecidesWhichTicksCheck) {
  struct Case {
    std::string interval;
    int ticks;
    std::vector<int> checkingTicks;
  };
  const std::vector<Case> cases = {
      {"5", 15, {5, 10, 15}}, {"", 3, {1, 2, 3}}, {"abc", 3, {1, 2, 3}},
      {"3 min", 7, {3, 6}},   {"2.5", 6, {3, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("interval '" + c.interval + "'");
    program->form.txtInterval.SetText(c.interval);
    program->state.minuteCount = 0;
    std::vector<int> checked;
    for (int tick = 1; tick <= c.ticks; ++tick) {
      net.downloads.clear();
      Tick();
      if (!net.downloads.empty()) checked.push_back(tick);
      EXPECT_TRUE(program->form.cmdCheckNow.Enabled());
      EXPECT_EQ(program->form.checkRequest, "0");
    }
    EXPECT_EQ(checked, c.checkingTicks);
  }
}

TEST_F(CheckCycleTest, SuspendSkipsTimedChecksButNotRequests) {
  program->form.chkExcessiveLogging.SetValue(1);
  program->form.chkOffline.SetValue(1);
  program->form.txtInterval.SetText("2");
  std::vector<std::int16_t> counts;
  for (int tick = 1; tick <= 3; ++tick) {
    Tick();
    counts.push_back(program->state.minuteCount);
  }
  EXPECT_EQ(counts, (std::vector<std::int16_t>{1, 0, 1}));  // the count still wraps at the interval
  EXPECT_TRUE(net.downloads.empty());

  program->state.startingUp = true;
  Request();
  program->state.startingUp = false;
  Request();
  EXPECT_EQ(net.downloads.size(), 2u);
  EXPECT_EQ(program->state.minuteCount, 1);  // requests leave the count alone
  const std::vector<std::string> texts = LogTexts();
  EXPECT_EQ(texts.front(), "Program startup. Acquiring and Checking IP Addresses.");
  EXPECT_TRUE(Logged("Check now button pushed. Acquiring and Checking IP Addresses."));
}

TEST_F(CheckCycleTest, FirstRunWithoutIpFileLogsBothAddressesAsChanges) {
  Request();
  EXPECT_EQ(ChangeLines(), (std::vector<std::string>{"External IP  changed to 203.0.113.7",
                                                     "Internal IP  changed to 192.168.1.20"}));
  EXPECT_TRUE(program->state.updateNeeded);
  EXPECT_TRUE(program->state.externalObtained);
  EXPECT_EQ(ReadAll(DataFile("ip.txt")), "203.0.113.7\r\n192.168.1.20\r\n");
  EXPECT_EQ(program->state.lastExternalIP, "203.0.113.7");
  EXPECT_EQ(program->state.lastInternalIP, "192.168.1.20");
  EXPECT_EQ(desktop.trayTips.back(), "External IP: 203.0.113.7\r\nInternal IP: 192.168.1.20");
  EXPECT_TRUE(net.sleeps.empty());
}

TEST_F(CheckCycleTest, OutageIsLoggedOnceAndOnlyANewAddressAfterItAsksForAnUpdate) {
  EnableUpdates();
  Request();
  ASSERT_FALSE(net.httpRequests.empty());  // the first run sends an update

  struct Step {
    std::string page;  // empty: the echo service does not answer
    std::vector<std::string> newChangeLines;
    bool updateWanted;
  };
  const std::vector<Step> steps = {
      {"", {"External IP 203.0.113.7 changed to 0.0.0.0"}, false},
      {"", {}, false},
      {"203.0.113.7", {"External IP 0.0.0.0 changed to 203.0.113.7"}, false},
      {"", {"External IP 203.0.113.7 changed to 0.0.0.0"}, false},
      {"198.51.100.4", {"External IP 0.0.0.0 changed to 198.51.100.4"}, true},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    net.pages.clear();
    if (!step.page.empty()) net.pages[kEcho] = step.page;
    net.sleeps.clear();
    net.httpRequests.clear();
    const std::size_t before = ChangeLines().size();
    Request();
    const std::vector<std::string> lines = ChangeLines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
              step.newChangeLines);
    EXPECT_EQ(program->state.updateNeeded, step.updateWanted);
    EXPECT_EQ(!net.httpRequests.empty(), step.updateWanted);
    const std::string external = step.page.empty() ? "0.0.0.0" : step.page;
    EXPECT_EQ(program->form.txtExternalIP.Text(), external);
    EXPECT_EQ(program->state.externalObtained, !step.page.empty());
    EXPECT_EQ(ReadAll(DataFile("ip.txt")), external + "\r\n192.168.1.20\r\n");
    EXPECT_EQ(net.sleeps, step.page.empty() ? std::vector<int>{3000} : std::vector<int>{});
  }
}

TEST_F(CheckCycleTest, RetryAfterThePauseGetsTheSameCleanUp) {
  program->form.chkExcessiveLogging.SetValue(1);
  KnownAddresses("203.0.113.7", "192.168.1.20");
  net.pages.clear();
  net.onSleep = [this] { net.pages[kEcho] = "  198.51.100.4\r\n"; };
  Request();
  EXPECT_EQ(program->form.txtExternalIP.Text(), "198.51.100.4");
  EXPECT_EQ(net.sleeps, std::vector<int>{3000});
  EXPECT_TRUE(Logged("Unable to retrieve external IP address. Trying again."));
  EXPECT_TRUE(Logged("External IP address retrieved successfully on second attempt."));
  EXPECT_EQ(ChangeLines(), std::vector<std::string>{"External IP 203.0.113.7 changed to 198.51.100.4"});
  EXPECT_TRUE(program->state.updateNeeded);

  net.pages.clear();
  net.onSleep = nullptr;
  Request();
  EXPECT_TRUE(Logged("Unable to retrieve external IP address on second attempt."));
}

TEST_F(CheckCycleTest, LanAddressComingAndGoing) {
  KnownAddresses("203.0.113.7", "192.168.1.20");
  struct Step {
    std::optional<std::vector<IPv4Address>> table;
    std::string field;
    std::string newChangeLine;  // empty: none
    bool updateWanted;
  };
  using Table = std::vector<IPv4Address>;
  const std::vector<Step> steps = {
      {Table{{0, 0, 0, 0}, kLoopback}, "0.0.0.0", "Internal IP 192.168.1.20 changed to 0.0.0.0", true},
      {Table{{0, 0, 0, 0}, kLoopback}, "0.0.0.0", "", false},
      {Table{kLoopback, kLan}, "192.168.1.20", "Internal IP 0.0.0.0 changed to 192.168.1.20", false},
      {Table{kLoopback, {192, 168, 1, 21}}, "192.168.1.21",
       "Internal IP 192.168.1.20 changed to 192.168.1.21", true},
      {std::nullopt, "192.168.1.21", "", false},  // unreadable table: the field keeps its text
      {Table{{0, 0, 0, 0}}, "0.0.0.0", "Internal IP 192.168.1.21 changed to 0.0.0.0", true},
      {Table{kLan}, "192.168.1.20", "Internal IP 0.0.0.0 changed to 192.168.1.20", true},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    net.addressTable = step.table;
    const std::size_t before = ChangeLines().size();
    Request();
    const std::vector<std::string> lines = ChangeLines();
    const std::vector<std::string> expected = step.newChangeLine.empty()
                                                  ? std::vector<std::string>{}
                                                  : std::vector<std::string>{step.newChangeLine};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
              expected);
    EXPECT_EQ(program->form.txtInternalIP.Text(), step.field);
    EXPECT_EQ(program->state.lastInternalIP, step.field);
    EXPECT_EQ(program->state.updateNeeded, step.updateWanted);
  }
}

TEST_F(CheckCycleTest, ThirtyDayRuleForcesAnUpdateWithoutAnyChange) {
  struct Case {
    std::int32_t daysAgo;
    bool updatesOn;
    bool fires;
  };
  const std::vector<Case> cases = {
      {29, true, false}, {30, true, true}, {-5, true, false}, {400, false, false}};
  EnableUpdates();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.daysAgo) + " days ago, updates " + (c.updatesOn ? "on" : "off"));
    program->form.chkUpdateDynDNS.SetValue(c.updatesOn ? 1 : 0);
    KnownAddresses("203.0.113.7", "192.168.1.20");
    program->state.lastUpdateDate = Today() - c.daysAgo;
    net.httpRequests.clear();
    const std::size_t before = LogTexts().size();
    Request();
    const std::vector<std::string> texts = LogTexts();
    const bool logged =
        std::find(texts.begin() + static_cast<std::ptrdiff_t>(before), texts.end(),
                  "30 days or more since last update. Performing DDNS update to keep account active.") !=
        texts.end();
    EXPECT_EQ(logged, c.fires);
    EXPECT_EQ(program->state.updateNeeded, c.fires);
    EXPECT_EQ(!net.httpRequests.empty(), c.fires);
    EXPECT_EQ(program->form.checkRequest, "0");
  }
}

TEST_F(CheckCycleTest, TickDuringARunningCheckIsSkipped) {
  std::vector<bool> buttonEnabledDuringDownload;
  net.onDownload = [this, &buttonEnabledDuringDownload] {
    buttonEnabledDuringDownload.push_back(program->form.cmdCheckNow.Enabled());
    Tick();  // the timer fires while the download blocks
  };
  Request();
  EXPECT_EQ(net.downloads.size(), 1u);
  EXPECT_EQ(buttonEnabledDuringDownload, std::vector<bool>{false});
  EXPECT_EQ(program->state.minuteCount, 0);  // the nested tick did not even count
  EXPECT_TRUE(program->form.cmdCheckNow.Enabled());

  net.onDownload = nullptr;
  Tick();  // after the check, ticks count again
  EXPECT_EQ(program->state.minuteCount, 1);
}

TEST_F(CheckCycleTest, EmptyUrlListGivesAnEmptyExternalAddress) {
  SetUrls("");
  Request();
  EXPECT_EQ(program->form.txtExternalIP.Text(), "");
  EXPECT_FALSE(program->state.externalObtained);
  EXPECT_TRUE(net.sleeps.empty());
  EXPECT_EQ(ReadAll(DataFile("ip.txt")), "\r\n192.168.1.20\r\n");
  EXPECT_EQ(desktop.trayTips.back(), "External IP: \r\nInternal IP: 192.168.1.20");
}

}  // namespace
}  // namespace quorvane::testing
