#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/MonitorFixture.h"
#include "core/OwedUpdate.h"

namespace quorvane::testing {
namespace {

// The first run writes the defaults; their echo services are not scripted: no address, no update.
TEST_F(MonitorTest, FirstRun) {
  EXPECT_TRUE(Start().firstRun);
  EXPECT_EQ(ReadAll(File(kConfigFileName)), DefaultSettingsText());
  EXPECT_EQ(TakeLog(), (Lines{"First run under new user account. Creating default config.txt file.",
                              "External IP  changed to 0.0.0.0", "Internal IP  changed to 192.168.1.20"}));
  EXPECT_EQ(startup, std::make_pair(false, false));
  EXPECT_EQ(platform.sleeps, std::vector<int>{3000});  // the pause before the second round of pages
  EXPECT_EQ(busy, (std::vector<std::pair<bool, bool>>{{true, false}, {false, false}}));
  platform.pages[DefaultSettings().echoUrls.at(0)] = "203.0.113.7";  // ip.txt's 0.0.0.0: a known loss
  Start();
  EXPECT_EQ(TakeLog().at(0), "External IP 0.0.0.0 changed to 203.0.113.7");
}

// "Log everything" logs each step, the window hears what is busy; a first success is no news.
TEST_F(MonitorTest, LogEverythingTellsEachStep) {
  Settings s = Updating();
  s.logEverything = true;
  s.echoUrls = {"http://down.test/", kEcho};
  Write(s);
  Start();
  const Lines logged = TakeLog();
  ASSERT_GE(logged.size(), 5u);
  EXPECT_EQ(Lines(logged.begin(), logged.begin() + 5),
            (Lines{"Program startup. Acquiring and Checking IP Addresses.",
                   "Getting WAN IP address from http://down.test/", "Get WAN IP address failed.",
                   "Getting WAN IP address from http://echo.test/", "Got WAN IP address."}));
  EXPECT_EQ(busy, (std::vector<std::pair<bool, bool>>{
                      {true, false}, {true, true}, {false, false}, {false, false}}));
  EXPECT_TRUE(notices.empty());
  platform.pages.clear();  // the timed check learns the address at its second try
  platform.onNetwork = [this, tries = 0]() mutable {
    if (++tries == 4) platform.pages[kEcho] = "203.0.113.7";
  };
  for (int minute = 0; minute < s.intervalMinutes; ++minute) Tick();
  EXPECT_EQ(Logged("External IP address retrieved successfully on second attempt."), 1);
  EXPECT_EQ(TakeLog().at(0), "Getting WAN IP address from http://down.test/");  // no button was pushed
}

// Each change is logged once; an update goes out only for a new external address the check obtained.
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
      {"198.51.100.4", true, {"External IP 203.0.113.7 changed to 198.51.100.4", kSent}},
      {"192.168.1.1", false,
       {"External IP 198.51.100.4 changed to 0.0.0.0", "Internal IP 192.168.1.20 changed to 0.0.0.0"}},
      {"198.51.100.4", true,
       {"External IP 0.0.0.0 changed to 198.51.100.4", "Internal IP 0.0.0.0 changed to 192.168.1.20"}},
      {"198.051.100.004", true, {}},
      // clang-format on
  };
  Write(Updating());
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
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  Start(false, false);
  while (!blocked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (int i = 0; i < 3; ++i) {
    monitor->CheckNow();
    monitor->UpdateNow();
    monitor->Tick();
  }
  release = true;
  Settle();
  EXPECT_EQ(platform.downloads.size(), 2u);     // the startup check and one Check Now
  EXPECT_EQ(platform.httpRequests.size(), 1u);  // one Update Now
  EXPECT_EQ(busy.back(), std::make_pair(false, false));
  Tick();
  EXPECT_EQ(platform.downloads.size(), 2u);  // the dropped tick was not counted
  Tick();
  EXPECT_EQ(platform.downloads.size(), 3u);
}

// A stop while an echo page hangs (first try or retry) ends within 2 s, drops the check, keeps the edits.
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

// A stale temporary goes at the start; edits on disk merge at the stop; each write failure is said once.
TEST_F(MonitorTest, FilesAndTheirFailures) {
  Settings s = Updating();
  s.intervalMinutes = 99999;
  Write(s);
  platform.httpAnswers.assign(5, kDnsErr);
  platform.unwritable = {File("ip.txt"), File(kOwedUpdateFileName)};
  // A save killed half-way (Linux names its temporaries so; Windows leaves none behind).
  const std::string stale = File(".config.txt.quorvane-save-Ab12Cd");
  if (platform.PathSeparator() == '/') WriteAll(stale, "s3cret-pass");
  std::filesystem::create_directories(File("ipchange.log"));  // no file can be appended to there
  Start();
  EXPECT_FALSE(std::filesystem::exists(stale));
  Check();
  const Lines expectedProblems = {
      "ipchange.log could not be written (a read-only folder, or no file under that name): changes are not "
      "logged.",
      "ip.txt could not be written: the last known addresses will not survive a restart.",
      "owed-update.txt could not be written: an owed DDNS update may be lost or sent again after a restart."};
  EXPECT_EQ(problems, expectedProblems);
  EXPECT_EQ(Logged(expectedProblems[1]), 1);
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

// Sixty days of ticks: an update per address change and one keep-alive; a suspended day checks nothing.
TEST_F(MonitorTest, SixtyDaysOfTicks) {
  Settings s = Updating();
  s.intervalMinutes = 60;
  Write(s);
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
    if (minute % 1440 == 0 && (day == firstDay + 20 || day == firstDay + 21)) {  // one day suspended
      s.suspended = day == firstDay + 20;
      monitor->ApplySettings(s);
      Settle();  // a tick that comes while settings are taken is dropped
    }
    Tick();
  }
  ASSERT_EQ(platform.httpRequests.size(), 4u);
  EXPECT_EQ(Logged("30 days or more since last update. Performing DDNS update to keep account active."), 1);
  EXPECT_EQ(platform.downloads.size(), 1u + 59 * 24);
}

}  // namespace
}  // namespace quorvane::testing
