#include <gtest/gtest.h>

#include <filesystem>

#include "monitor/CheckCycle.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using Table = std::vector<IPv4Address>;
using Lines = std::vector<std::string>;

class CheckCycleTest : public ProgramFixture {
 protected:
  CheckCycleTest() { UseCheckAndUpdate(); }
};

TEST_F(CheckCycleTest, IntervalDecidesWhichTicksCheck) {
  const std::vector<std::pair<std::string, std::vector<int>>> cases = {
      {"5", {5, 10, 15}}, {"abc", {1, 2, 3}}, {"2.5", {3, 6}}, {"1e9", {}}};
  for (const auto& [interval, checkingTicks] : cases) {
    SCOPED_TRACE("interval '" + interval + "'");
    program->form.txtInterval.SetText(interval);
    program->state.minuteCount = interval == "1e9" ? 32765 : 0;  // a huge interval: the count saturates
    std::vector<int> checked;
    for (int tick = 1; tick <= (checkingTicks.empty() ? 5 : checkingTicks.back()); ++tick) {
      platform.downloads.clear();
      CheckAddresses(*program);
      if (!platform.downloads.empty()) checked.push_back(tick);
    }
    EXPECT_EQ(checked, checkingTicks);
  }
  EXPECT_EQ(program->state.minuteCount, 32767);
  program->form.chkOffline.SetValue(1);  // suspended: timed ticks never check, requests still do
  for (int tick = 1; tick <= 5; ++tick) CheckAddresses(*program);
  Request();
  EXPECT_EQ(platform.downloads.size(), 1u);
}

// Each change is logged once; an update goes out for a new external address only, never with an
// address the check did not obtain.
TEST_F(CheckCycleTest, AddressChangesOutagesAndRecoveries) {
  const struct {
    std::string page;  // empty: the echo service does not answer
    bool lanUp;        // false: the only interface has no address
    Lines changeLines;
    bool sends;
  } steps[] = {
      {"203.0.113.7",
       true,
       {"External IP  changed to 203.0.113.7", "Internal IP  changed to 192.168.1.20"},
       true},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}, false},
      {"", true, {}, false},
      {"203.0.113.7", true, {"External IP 0.0.0.0 changed to 203.0.113.7"}, false},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}, false},
      {"198.51.100.4", true, {"External IP 0.0.0.0 changed to 198.51.100.4"}, true},
      {"",
       false,
       {"External IP 198.51.100.4 changed to 0.0.0.0", "Internal IP 192.168.1.20 changed to 0.0.0.0"},
       false},
      {"198.51.100.4", false, {"External IP 0.0.0.0 changed to 198.51.100.4"}, false},
      {"198.51.100.4", true, {"Internal IP 0.0.0.0 changed to 192.168.1.20"}, false},
  };
  platform.httpAnswers.assign(20, {true, 200, "good", ""});
  for (const auto& step : steps) {
    SCOPED_TRACE(step.changeLines.empty() ? "no change" : step.changeLines.back());
    platform.pages.clear();
    if (!step.page.empty()) platform.pages[kEcho] = step.page;
    platform.addressTable =
        step.lanUp ? Table{{127, 0, 0, 1}, {192, 168, 1, 20}} : Table{{0, 0, 0, 0}, {127, 0, 0, 1}};
    platform.sleeps.clear();
    platform.httpRequests.clear();
    const std::size_t logged = LogTexts().size();
    Request();
    const Lines texts = LogTexts();
    Lines changes;
    for (std::size_t i = logged; i < texts.size(); ++i)
      if (texts[i].find(" changed to ") != std::string::npos) changes.push_back(texts[i]);
    EXPECT_EQ(changes, step.changeLines);
    EXPECT_EQ(platform.httpRequests.size(), step.sends ? 1u : 0u);
    const std::string external = step.page.empty() ? "0.0.0.0" : step.page;
    EXPECT_EQ(ReadAll(DataFile("ip.txt")),
              external + "\r\n" + (step.lanUp ? "192.168.1.20" : "0.0.0.0") + "\r\n");
    EXPECT_EQ(platform.sleeps, step.page.empty() ? std::vector<int>{3000} : std::vector<int>{});
  }
}

// Check Now and Update Now arriving while a timed check waits for the network run once each, after it.
TEST_F(CheckCycleTest, RequestsDuringARunningCheckRunAfterIt) {
  platform.httpAnswers.assign(5, {true, 200, "good", ""});
  Request();
  frmMain& form = program->form;
  platform.onNetwork = [&] {
    platform.onNetwork = nullptr;
    form.cmdUploadNow_Click();
    form.cmdCheckNow_Click();
    form.cmdCheckNow_Click();
    CheckAddresses(*program);  // a timer tick: skipped, not nested
  };
  program->state.minuteCount = 4;
  platform.downloads.clear();
  CheckAddresses(*program);
  EXPECT_EQ(platform.downloads.size(), 2u);
  EXPECT_EQ(platform.httpRequests.size(), 2u);  // the first check's and the one asked for
  EXPECT_EQ(form.checkRequest, "0");
  EXPECT_EQ(program->state.minuteCount, 0);
}

// A stop request ends a check at the next step: nothing more is tried, logged, stored or sent.
TEST_F(CheckCycleTest, StopRequestEndsTheCheckAtOnce) {
  platform.httpAnswers.assign(1, {true, 200, "good", ""});
  Request();
  const std::string ipFile = ReadAll(DataFile("ip.txt"));
  const Lines log = LogTexts();
  SetUrls(std::string("http://dead.test/\r\n") + kEcho);
  platform.pages[kEcho] = "198.51.100.4";
  platform.onNetwork = [this] { platform.stop = true; };
  platform.downloads.clear();
  Request();
  EXPECT_EQ(platform.downloads, Lines{"http://dead.test/"});
  EXPECT_TRUE(platform.sleeps.empty());
  EXPECT_EQ(LogTexts(), log);
  EXPECT_EQ(ReadAll(DataFile("ip.txt")), ipFile);
  EXPECT_EQ(program->form.txtExternalIP.Text(), "203.0.113.7");

  // The same during the update request: no second attempt, no failure reported, the update owed.
  platform.stop = false;
  platform.httpRequests.clear();
  platform.httpAnswers.clear();
  platform.onNetwork = [this] { platform.stop = !platform.httpRequests.empty(); };
  Request();
  EXPECT_EQ(platform.httpRequests.size(), 1u);
  EXPECT_EQ(LogTexts().back(), "External IP 203.0.113.7 changed to 198.51.100.4");
  EXPECT_EQ(program->state.owed.kind, OwedKind::Retry);
  EXPECT_TRUE(std::filesystem::exists(DataFile("owed-update.txt")));
}

}  // namespace
}  // namespace quorvane::testing
