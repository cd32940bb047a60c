#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/MonitorFixture.h"
#include "core/OwedUpdate.h"

namespace quorvane::testing {
namespace {

void WaitFor(const std::atomic<bool>& flag) {
  while (!flag) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST_F(MonitorTest, FirstRunStartupCheckAndTimedTicks) {
  EXPECT_TRUE(Start().firstRun);
  EXPECT_EQ(ReadAll(File(kConfigFileName)), DefaultSettingsText());
  // The defaults' echo services are not scripted: no address, no update.
  EXPECT_EQ(TakeLog(), (Lines{"First run under new user account. Creating default config.txt file.",
                              "External IP  changed to 0.0.0.0", "Internal IP  changed to 192.168.1.20"}));
  EXPECT_EQ(startup, std::make_pair(false, false));
  EXPECT_EQ(platform.sleeps, std::vector<int>{3000});
  EXPECT_EQ(ReadAll(File("ip.txt")), "0.0.0.0\r\n192.168.1.20\r\n");

  for (const bool suspended : {false, true}) {
    Settings s = Updating();
    s.intervalMinutes = 3;
    s.suspended = suspended;
    Write(s);
    Start();
    EXPECT_TRUE(suspended || TakeLog().front() == "External IP 0.0.0.0 changed to 203.0.113.7");
    std::vector<int> checked;
    for (int tick = 1; tick <= 7; ++tick) {
      platform.downloads.clear();
      Tick();
      if (!platform.downloads.empty()) checked.push_back(tick);
    }
    EXPECT_EQ(checked, (suspended ? std::vector<int>{} : std::vector<int>{3, 6}));
    platform.downloads.clear();
    Check();  // a request checks even while suspended
    EXPECT_EQ(platform.downloads.size(), 1u);
  }
}

// Each change is logged once; an update goes out for a new external address only, never with an
// address the check did not obtain.
TEST_F(MonitorTest, AddressChangesOutagesAndRecoveries) {
  const struct {
    std::string page;  // empty: the echo service does not answer
    bool lanUp;
    Lines log;
  } steps[] = {
      // clang-format off
      {"203.0.113.7", true,
       {"External IP  changed to 203.0.113.7", "Internal IP  changed to 192.168.1.20", kSent}},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}},
      {"", true, {}},
      {"203.0.113.7", true, {"External IP 0.0.0.0 changed to 203.0.113.7"}},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}},
      {"198.51.100.4", true, {"External IP 0.0.0.0 changed to 198.51.100.4", kSent}},
      {"192.168.1.1", false,
       {"External IP 198.51.100.4 changed to 0.0.0.0", "Internal IP 192.168.1.20 changed to 0.0.0.0"}},
      {"198.51.100.4", false, {"External IP 0.0.0.0 changed to 198.51.100.4"}},
      {"198.51.100.4", true, {"Internal IP 0.0.0.0 changed to 192.168.1.20"}},
      {"198.051.100.004", true, {}},
      // clang-format on
  };
  Write(Updating());
  platform.httpAnswers.assign(20, kGood);
  for (const auto& step : steps) {
    SCOPED_TRACE(step.log.empty() ? "no change" : step.log.front());
    platform.pages.clear();
    if (!step.page.empty()) platform.pages[kEcho] = step.page;
    platform.addressTable = step.lanUp ? std::vector<IPv4Address>{{127, 0, 0, 1}, {192, 168, 1, 20}}
                                       : std::vector<IPv4Address>{{0, 0, 0, 0}, {127, 0, 0, 1}};
    monitor ? Check() : (void)Start();
    Lines texts = TakeLog();
    std::erase_if(texts, [](const std::string& line) { return line.starts_with("DDNS Update Success"); });
    EXPECT_EQ(texts, step.log);
  }
  EXPECT_EQ(ReadAll(File("ip.txt")), "198.51.100.4\r\n192.168.1.20\r\n");
  EXPECT_EQ(trayTip, "External IP: 198.51.100.4\r\nInternal IP: 192.168.1.20");
  ASSERT_EQ(platform.httpRequests.size(), 2u);
  EXPECT_NE(platform.httpRequests[1].target.find("myip=198.51.100.4&"), std::string::npos);
}

// A Check Now or Update Now during a running check waits its turn (one of each); a tick is dropped.
TEST_F(MonitorTest, CommandsDuringACheckWaitTheirTurn) {
  Settings s = Updating();
  s.intervalMinutes = 2;
  Write(s);
  WriteAll(File("ip.txt"), "203.0.113.7\r\n192.168.1.20\r\n");
  std::atomic<bool> release = false, blocked = false;
  platform.onNetwork = [&] {
    blocked = true;
    WaitFor(release);
  };
  platform.httpAnswers.assign(5, kGood);
  Start(false, false);
  WaitFor(blocked);
  for (int i = 0; i < 3; ++i) {
    monitor->CheckNow();
    monitor->UpdateNow();
    monitor->Tick();
  }
  release = true;
  Settle();
  EXPECT_EQ(platform.downloads.size(), 2u);     // the startup check and one Check Now
  EXPECT_EQ(platform.httpRequests.size(), 1u);  // one Update Now
  Tick();
  EXPECT_EQ(platform.downloads.size(), 2u);  // the dropped tick was not counted
  Tick();
  EXPECT_EQ(platform.downloads.size(), 3u);
}

// A stop while an echo page hangs, at the first try or at the retry, ends within 2 s, abandons the
// check and keeps the edits.
TEST_F(MonitorTest, StopDuringAHungCheck) {
  platform.pages.clear();
  for (const int hangingTry : {1, 2}) {
    SCOPED_TRACE(hangingTry);
    Write(Updating());
    platform.onNetwork = [this, hangingTry, tries = 0]() mutable {
      if (++tries < hangingTry) return;
      while (!platform.StopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    Start(false, false);
    Settings edited = Updating();
    edited.hostNames = "edited.example.net";
    monitor->ApplySettings(edited);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(Stop().saved);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
    EXPECT_EQ(log, Lines{});
    EXPECT_FALSE(std::filesystem::exists(File("ip.txt")));
    EXPECT_EQ(OnDisk().hostNames, "edited.example.net");
  }
}

// A stale temporary goes at the start; edits made on disk meanwhile are merged at the stop; ip.txt and
// owed-update.txt failures are said once.
TEST_F(MonitorTest, FilesAndTheirFailures) {
  Settings s = Updating();
  s.intervalMinutes = 99999;
  Write(s);
  platform.httpAnswers.assign(5, {true, 200, "dnserr", ""});
  platform.unwritable = {File("ip.txt"), File(kOwedUpdateFileName)};
  // A save killed half-way (Linux names its temporaries so; Windows leaves none behind).
  const bool posixTemporaries = platform.PathSeparator() == '/';
  if (posixTemporaries) WriteAll(File(".config.txt.Ab12Cd"), "s3cret-pass");
  Start();
  EXPECT_FALSE(std::filesystem::exists(File(".config.txt.Ab12Cd")));
  Check();
  const Lines expectedProblems = {
      "ip.txt could not be written: the last known addresses will not survive a restart.",
      "owed-update.txt could not be written: an owed DDNS update may be lost or sent again after a restart."};
  EXPECT_EQ(problems, expectedProblems);
  EXPECT_EQ(std::count(log.begin(), log.end(), expectedProblems[0]), 1);
  EXPECT_EQ(log.front(),
            "Check interval \"99999\" is outside 2 to 43200 minutes; checking every 43200 minutes.");

  Settings edited = OnDisk();
  edited.password = "changed in the window";
  monitor->ApplySettings(edited);
  Settings onDisk = OnDisk();
  onDisk.hostNames = "edited.on.disk";
  Write(onDisk);
  monitor.reset();  // the destructor stops and saves as Stop does
  EXPECT_EQ(std::make_tuple(OnDisk().password, OnDisk().hostNames, OnDisk().intervalMinutes),
            std::make_tuple("changed in the window", "edited.on.disk", 43200));
}

// Sixty days of minute ticks: updates go out for the two address changes and one keep-alive.
TEST_F(MonitorTest, SixtyDaysOfTicks) {
  Settings s = Updating();
  s.intervalMinutes = 60;
  Write(s);
  platform.httpAnswers.assign(10, kGood);
  platform.now = {2026, 3, 7, 0, 0, 0};
  const std::int32_t firstDay = DayNumberOf(platform.now);
  Start();
  for (int minute = 1; minute <= 60 * 1440; ++minute) {
    const std::int32_t day = firstDay + minute / 1440;
    platform.now = DateFromDayNumber(day);
    platform.now.hour = minute % 1440 / 60;
    platform.now.minute = minute % 60;
    if (day == firstDay + 10) platform.pages[kEcho] = "198.51.100.4";
    if (day == firstDay + 45) platform.pages[kEcho] = "203.0.113.9";
    Tick();
  }
  ASSERT_EQ(platform.httpRequests.size(), 4u);
  EXPECT_EQ(std::count(log.begin(), log.end(),
                       "30 days or more since last update. Performing DDNS update to keep account active."),
            1);
  EXPECT_EQ(platform.downloads.size(), 1u + 60 * 24);
}

}  // namespace
}  // namespace quorvane::testing
