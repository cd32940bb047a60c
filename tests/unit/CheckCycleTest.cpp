#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "ddns/OwedUpdate.h"
#include "ddns/ProviderCatalogue.h"
#include "monitor/modGetIP.h"
#include "monitor/modGetLANIP.h"
#include "support/ProgramFixture.h"

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !__has_feature(address_sanitizer)
#include <malloc.h>
#define HEAP_IN_USE() static_cast<long long>(mallinfo2().uordblks)
#else
#define HEAP_IN_USE() 0LL  // a sanitizer keeps a heap of its own
#endif

namespace quorvane::testing {
namespace {

using Table = std::vector<IPv4Address>;
const std::string kSent = "DDNS Update Sent. Server Response: good";

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
    Lines log;
  } steps[] = {
      // clang-format off
      {"203.0.113.7", true, {"External IP  changed to 203.0.113.7", "Internal IP  changed to 192.168.1.20", kSent}},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}},
      {"", true, {}},
      {"203.0.113.7", true, {"External IP 0.0.0.0 changed to 203.0.113.7"}},
      {"", true, {"External IP 203.0.113.7 changed to 0.0.0.0"}},
      {"198.51.100.4", true, {"External IP 0.0.0.0 changed to 198.51.100.4", kSent}},
      {"", false, {"External IP 198.51.100.4 changed to 0.0.0.0", "Internal IP 192.168.1.20 changed to 0.0.0.0"}},
      {"198.51.100.4", false, {"External IP 0.0.0.0 changed to 198.51.100.4"}},
      {"198.51.100.4", true, {"Internal IP 0.0.0.0 changed to 192.168.1.20"}},
  };  // clang-format on
  platform.httpAnswers.assign(20, {true, 200, "good", ""});
  for (const auto& step : steps) {
    SCOPED_TRACE(step.log.empty() ? "no change" : step.log.front());
    platform.pages.clear();
    if (!step.page.empty()) platform.pages[kEcho] = step.page;
    platform.addressTable =
        step.lanUp ? Table{{127, 0, 0, 1}, {192, 168, 1, 20}} : Table{{0, 0, 0, 0}, {127, 0, 0, 1}};
    platform.sleeps.clear();
    std::filesystem::remove(DataFile("ipchange.log"));
    Request();
    EXPECT_EQ(LogTexts(), step.log);
    const std::string external = step.page.empty() ? "0.0.0.0" : step.page;
    EXPECT_EQ(ReadAll(DataFile("ip.txt")),
              external + "\r\n" + (step.lanUp ? "192.168.1.20" : "0.0.0.0") + "\r\n");
    EXPECT_EQ(platform.sleeps, step.page.empty() ? std::vector<int>{3000} : std::vector<int>{});
  }
  // A keep-alive due while the echo service is down is neither sent nor announced.
  const std::size_t sent = platform.httpRequests.size();
  program->state.lastUpdateDate = 1;
  platform.pages.clear();
  std::filesystem::remove(DataFile("ipchange.log"));
  Request();
  EXPECT_EQ(LogTexts(), Lines{"External IP 198.51.100.4 changed to 0.0.0.0"});
  EXPECT_EQ(platform.httpRequests.size(), sent);
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
  EXPECT_EQ(platform.httpRequests.size(), 2u);
  EXPECT_EQ(form.checkRequest, "0");
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

  // The same during the update request: no second attempt, no failure reported, the update owed.
  platform.stop = false;
  platform.onNetwork = [this] { platform.stop = platform.httpRequests.size() > 1; };
  Request();
  EXPECT_EQ(platform.httpRequests.size(), 2u);
  EXPECT_EQ(LogTexts().back(), "External IP 203.0.113.7 changed to 198.51.100.4");
  EXPECT_EQ(program->state.owed.kind, OwedKind::Retry);
  EXPECT_TRUE(std::filesystem::exists(DataFile("owed-update.txt")));

  // Update Now stopped while a refusal stands: it stays a refusal, never an automatic retry.
  const OwedUpdate refused{OwedKind::Refused, 0, SettingsFingerprint(program->form)};
  program->state.owed = refused;
  platform.stop = true;
  program->form.cmdUploadNow_Click();
  EXPECT_EQ(program->state.owed, refused);
}

// Sixty days of one-minute ticks at interval 5: the address changes on day 10 at noon, the provider
// gives no answer from 00:00 to 01:00 on day 40.
TEST_F(CheckCycleTest, SixtyDaysOfTicks) {
  constexpr int kDay = 1440;
  const std::string first = "203.0.113.7", second = "198.51.100.4";
  platform.now = {2026, 1, 1, 0, 0, 0};
  program->state.lastUpdateDate = DayNumberOf(platform.now) - 25;  // the first keep-alive falls on day 5
  ProgramState& state = program->state;
  state.lastExternalIP = state.lastGoodExternalIP = first;
  state.lastInternalIP = state.lastGoodInternalIP = "192.168.1.20";
  const std::string& ddnsLog = program->form.txtSMTPlog.Text();
  ProviderCatalogue();  // built once, as Main does when it fills the service list

  std::vector<std::pair<int, std::string>> sent, expected;  // minute of the run, address sent
  sent.reserve(64);
  long long heapAfterDay1 = 0, logAfterDay1 = 0;
  for (int minute = 1; minute <= 60 * kDay; ++minute) {
    const int day = minute / kDay, time = minute % kDay;
    platform.now = DateFromDayNumber(DayNumberFromDate(2026, 1, 1) + day);
    platform.now.hour = time / 60, platform.now.minute = time % 60;
    platform.pages[kEcho] = day > 10 || (day == 10 && time >= 12 * 60) ? second : first;
    const bool providerUp = !(day == 40 && time < 60);
    platform.httpAnswers.assign(2, {providerUp, 200, providerUp ? "good" : "", ""});
    platform.httpRequests.clear(), platform.downloads.clear(), platform.sleeps.clear();
    desktop.trayTips.clear(), desktop.logLines.clear();

    CheckAddresses(*program);

    for (const HttpTransportRequest& request : platform.httpRequests) {
      const std::size_t at = request.target.find("myip=") + 5;
      sent.emplace_back(minute, request.target.substr(at, request.target.find('&', at) - at));
    }
    if (minute == kDay)
      heapAfterDay1 = HEAP_IN_USE(), logAfterDay1 = static_cast<long long>(ddnsLog.capacity());
  }
  // Beside the DDNS log box only the allocator's caches may differ (a byte per check would be 17 KiB).
  EXPECT_LT(HEAP_IN_USE() - heapAfterDay1 - (static_cast<long long>(ddnsLog.capacity()) - logAfterDay1),
            8192);

  const std::string keepAlive =
      "30 days or more since last update. Performing DDNS update to keep account active.";
  expected = {{5 * kDay, first}, {10 * kDay + 12 * 60, second}};
  Lines log{keepAlive, kSent, "External IP " + first + " changed to " + second, kSent};
  for (int check = 40 * kDay; check < 40 * kDay + 60; check += 5) {
    expected.insert(expected.end(), 2, {check, second});
    log.insert(log.end(), {keepAlive, "DDNS Update Failed.", "DDNS Update Failed.",
                           "DDNS update will be retried at the next check."});
  }
  expected.emplace_back(40 * kDay + 60, second);  // the owed update, once the provider answers
  log.insert(log.end(), {keepAlive, kSent});
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(LogTexts(), log);

  // The DDNS log box holds one line per update (CR LF before and after each) and nothing else.
  EXPECT_EQ(std::count(ddnsLog.begin(), ddnsLog.end(), '\n'), 30);
  EXPECT_LT(ddnsLog.size(), 15u * 130u);
}

// Entries are tried in order until a page yields a dotted quad (cut out by a service's own markers
// where it has some); a trailing line end of the list is dropped, an empty entry counts as one.
TEST_F(CheckCycleTest, EchoPagesAndTheirRules) {
  const std::string kB = "http://b.test/ip";
  SetUrls("http://a.test/ip\r\n\r\n" + kB + "\r\n");
  platform.pages[kB] = "198.51.100.4";
  EXPECT_EQ(GetWanIP(*program), "198.51.100.4");
  EXPECT_EQ(platform.downloads, (std::vector<std::string>{"http://a.test/ip", "", kB}));
  EXPECT_EQ(program->form.txtExternalIPURL.Text(), "http://a.test/ip\r\n\r\n" + kB);

  const std::string dyndns = "http://checkip.dyndns.org/", good = "203.0.113.7";
  const std::vector<std::array<std::string, 3>> cases = {
      // clang-format off
      {kEcho, "  203.0.113.7\r\n", good}, {kEcho, "   \r\n", ""}, {kEcho, "<h1>503 Service Unavailable</h1>", ""},
      {kEcho, "1.2.3.256", ""}, {kEcho, "1.2.3.4 and more", ""}, {dyndns, "203.0.113.7\r\n", good},  // no end marker
      {dyndns, "<body>Current IP Address: 203.0.113.7</body>\r\n", good},
      {"https://ipdetect.dnspark.com/", "<body>Current Address: 203.0.113.7\n</body>", good},
      {"http://dynamic.zoneedit.com/checkip.html", "Current IP Address: 203.0.113.7<br>", good},
      {"http://CheckIP.DynDNS.org/", "<body>Current IP Address: 203.0.113.7</body>", ""},
  };  // clang-format on
  for (const auto& [url, page, expected] : cases) {
    SCOPED_TRACE(url + " page '" + page + "'");
    SetUrls(url + "\r\n" + kB);
    platform.pages = {{url, page}, {kB, "198.51.100.4"}};
    EXPECT_EQ(GetWanIP(*program), expected.empty() ? "198.51.100.4" : expected);
  }
  platform.pages.clear();
  EXPECT_EQ(GetWanIP(*program), "(unable to access)");
}

// The LAN address: the last entry of the sorted table other than the exact text "127.0.0.1".
using LanAddressTest = ProgramFixture;
TEST_F(LanAddressTest, LastEntryOtherThanTheExactLoopbackTextWins) {
  const std::pair<std::optional<Table>, std::optional<std::string>> cases[] = {
      {Table{{10, 0, 0, 5}, {127, 0, 0, 1}, {192, 168, 1, 20}}, "192.168.1.20"},
      {Table{{127, 0, 0, 1}}, ""},
      {Table{{127, 0, 0, 1}, {127, 0, 1, 1}}, "127.0.1.1"},
      {std::nullopt, std::nullopt}};
  for (const auto& [table, expected] : cases) {
    platform.addressTable = table;
    EXPECT_EQ(GetLANIP(platform), expected) << expected.value_or("unreadable");
  }
}

using MainWindowTest = ProgramFixture;

TEST_F(MainWindowTest, IntervalLostFocus) {
  // Text, minute count before, message (none: no box and the focus stays), minute count after; the new
  // count is rounded half to even ("3.5" gives 2.5 and so 2) and never below 0.
  const std::string numbers = "Numbers only, please.", minimum = "The minimum interval is 2 minutes.";
  const std::tuple<std::string, std::int16_t, std::string, std::int16_t> cases[] = {
      // clang-format off
      {"abc", 3, numbers, 3}, {"1", 3, minimum, 0}, {"-99999999", 3, minimum, 0}, {"10", 3, "", 3},
      {" 4 ", 5, "", 3}, {"3.5", 4, "", 2}, {"4.5", 4, "", 4}, {"2", 3, "", 1}};  // clang-format on
  for (const auto& [text, before, message, after] : cases) {
    SCOPED_TRACE("interval text '" + text + "'");
    desktop.messages.clear(), desktop.focused.clear();
    program->state.minuteCount = before;
    program->form.txtInterval.SetText(text);
    program->form.txtInterval_LostFocus();
    using Messages = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(desktop.messages, (message.empty() ? Messages{} : Messages{{message, "Quorvane 1.0.0"}}));
    EXPECT_EQ(desktop.focused, message.empty() ? Lines{} : Lines{"txtInterval"});
    EXPECT_EQ(program->state.minuteCount, after);
    EXPECT_EQ(program->form.txtInterval.Text(), text);  // never rewritten
  }
}

// The start sequence on a data folder holding ip.txt (no first run), in tray and in developer mode.
TEST_F(MainWindowTest, MainLoadsTheWindowChecksAndStartsTheTimer) {
  std::ofstream(DataFile("ip.txt"), std::ios::binary) << " 203.0.113.7 \r\n192.168.1.20\r\n";
  platform.computerName = "OFFICE PC ";
  StartProgram();
  frmMain& form = program->form;
  EXPECT_EQ(desktop.caption, "Quorvane 1.0.0");
  EXPECT_EQ(form.lblHostName.Text(), "OFFICE_PC_");
  EXPECT_EQ(std::make_pair(desktop.visible, desktop.trayAdds), std::make_pair(false, 1));
  EXPECT_EQ(desktop.trayTips.front(), "External IP: 203.0.113.7\r\nInternal IP: 192.168.1.20");
  // The startup check ran at once (the empty URL list yields an empty address), and the timer runs.
  EXPECT_EQ(LogTexts(),
            (Lines{"External IP 203.0.113.7 changed to ", "Internal IP 192.168.1.20 changed to "}));
  EXPECT_TRUE(platform.httpRequests.empty());  // a change, but updates are off
  EXPECT_FALSE(program->state.startingUp);
  EXPECT_EQ(desktop.timers[1].first, 60000);
  form.txtInterval.SetText("5");
  desktop.timers[1].second();  // a tick counts a minute
  EXPECT_EQ(program->state.minuteCount, 1);

  Lines services;
  for (const ProviderEntry& entry : ProviderCatalogue()) services.push_back(entry.displayName);
  EXPECT_EQ(form.cmbDDNSservice.Items(), services);
  const std::vector<Lines> options{form.cmbDDNSmx.Items(), form.cmbDDNSbackMX.Items(),
                                   form.cmbDDNSwildcard.Items(), form.cmbDDNSoffline.Items()};
  EXPECT_EQ(options, (std::vector<Lines>{
                         {"", "NOCHG"}, {"YES", "NO", "NOCHG"}, {"ON", "OFF", "NOCHG"}, {"YES", "NO"}}));

  // More... and the status line toggle between the height recorded at start and the expanded one.
  form.cmdDDNSmore_Click();
  EXPECT_EQ(desktop.height, 9645);
  std::int16_t index = 2;
  form.lblStatus_Click(index);
  EXPECT_EQ(desktop.height, 6045);

  // Show/Hide in the tray menu: a hidden, minimized window comes back normal; a shown one minimizes.
  desktop.state = WindowState::Minimized;
  form.mnuTrayShowHide_Click();
  EXPECT_EQ(std::make_pair(desktop.visible, desktop.state), std::make_pair(true, WindowState::Normal));
  form.mnuTrayShowHide_Click();
  EXPECT_EQ(desktop.state, WindowState::Minimized);
  form.mnuTrayShowHide_Click();  // minimized on the task bar, so still visible: restored
  EXPECT_EQ(desktop.state, WindowState::Normal);

  // Quit runs the stop twice: one timer kill, one tray removal, config.txt written.
  form.mnuTrayQuit_Click();
  EXPECT_TRUE(form.unloaded);
  EXPECT_EQ(std::make_pair(desktop.timerKills, desktop.trayRemoves), std::make_pair(1, 1));
  EXPECT_TRUE(std::filesystem::exists(DataFile("config.txt")));

  platform.computerName = "";
  StartProgram("-device");
  EXPECT_EQ(program->form.lblHostName.Text(), "Comp1");
  EXPECT_EQ(std::make_pair(desktop.visible, desktop.trayAdds), std::make_pair(true, 1));
}

}  // namespace
}  // namespace quorvane::testing
