#include <gtest/gtest.h>

#include "ddns/ProviderCatalogue.h"
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

using SimulationTest = ProgramFixture;

// Sixty days of one-minute ticks at interval 5: the address changes on day 10 at noon, the echo pages
// are dead from 08:00 to 10:00 on day 20, the provider gives no answer from 00:00 to 01:00 on day 40.
TEST_F(SimulationTest, SixtyDaysOfTicks) {
  constexpr int kDay = 1440;
  const std::string first = "203.0.113.7", second = "198.51.100.4";
  platform.now = {2026, 1, 1, 0, 0, 0};
  UseCheckAndUpdate(first);
  ProgramState& state = program->state;
  state.lastUpdateDate = DayNumberOf(platform.now) - 25;  // the first keep-alive falls on day 5
  state.lastExternalIP = state.lastGoodExternalIP = first;
  state.lastInternalIP = state.lastGoodInternalIP = "192.168.1.20";
  const std::string& ddnsLog = program->form.txtSMTPlog.Text();
  ProviderCatalogue();  // built once, as Main does when it fills the service list

  std::vector<std::pair<int, std::string>> sent, expected;  // minute of the run, address sent
  sent.reserve(64);
  long long heapAfterDay1 = 0, logAfterDay1 = 0;
  for (int minute = 1; minute <= 60 * kDay; ++minute) {
    AdvanceMinutes(1);
    const int day = minute / kDay, time = minute % kDay;
    platform.pages[kEcho] = day > 10 || (day == 10 && time >= 12 * 60) ? second : first;
    if (day == 20 && time >= 8 * 60 && time < 10 * 60) platform.pages.clear();
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
  const std::string good = "DDNS Update Sent. Server Response: good";
  expected = {{5 * kDay, first}, {10 * kDay + 12 * 60, second}};
  std::vector<std::string> log{keepAlive,
                               good,
                               "External IP " + first + " changed to " + second,
                               good,
                               "External IP " + second + " changed to 0.0.0.0",
                               "External IP 0.0.0.0 changed to " + second};
  for (int check = 40 * kDay; check < 40 * kDay + 60; check += 5) {
    expected.insert(expected.end(), 2, {check, second});
    log.insert(log.end(), {keepAlive, "DDNS Update Failed.", "DDNS Update Failed.",
                           "DDNS update will be retried at the next check."});
  }
  expected.emplace_back(40 * kDay + 60, second);  // the owed update, once the provider answers
  log.insert(log.end(), {keepAlive, good});
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(LogTexts(), log);

  // The DDNS log box holds one line per update and nothing else.
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = ddnsLog.find("\r\nDDNS Update: members", at)) != std::string::npos; ++at)
    ++lines;
  EXPECT_EQ(lines, 15u);
  EXPECT_LT(ddnsLog.size(), 15u * 130u);
}

}  // namespace
}  // namespace quorvane::testing
