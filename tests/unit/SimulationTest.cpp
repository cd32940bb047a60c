#include <gtest/gtest.h>

#include "app/Calendar.h"
#include "ddns/ProviderCatalogue.h"
#include "monitor/CheckCycle.h"
#include "support/ProgramFixture.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUORVANE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVANE_SANITIZED 1
#endif
#endif

namespace quorvane::testing {
namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<std::pair<int, std::string>>;  // minute of the run, address sent
constexpr int kDay = 1440;
constexpr const char* kFirst = "203.0.113.7";
constexpr const char* kSecond = "198.51.100.4";

long long HeapInUse() {
#if defined(__GLIBC__) && !defined(QUORVANE_SANITIZED)
  return static_cast<long long>(mallinfo2().uordblks);
#else
  return 0;
#endif
}

using SimulationTest = ProgramFixture;

// Sixty days of one-minute ticks at interval 5: the address changes on day 10, the echo pages are
// dead from 08:00 to 10:00 on day 20, the provider gives no answer from 00:00 to 01:00 on day 40.
TEST_F(SimulationTest, SixtyDaysOfTicks) {
  platform.now = {2026, 1, 1, 0, 0, 0};
  UseCheckAndUpdate(kFirst);
  ProgramState& state = program->state;
  state.lastUpdateDate = DayNumberOf(platform.now) - 25;  // the first keep-alive falls on day 5
  state.lastExternalIP = state.lastGoodExternalIP = kFirst;
  state.lastInternalIP = state.lastGoodInternalIP = "192.168.1.20";
  const std::string& ddnsLog = program->form.txtSMTPlog.Text();
  ProviderCatalogue();  // built once at start, when Main fills the service list

  Requests sent;
  sent.reserve(64);
  long long heapAfterDay1 = 0, logCapacityAfterDay1 = 0;
  for (int minute = 1; minute <= 60 * kDay; ++minute) {
    AdvanceMinutes(1);
    const int day = minute / kDay, time = minute % kDay;
    platform.pages[kEcho] = day > 10 || (day == 10 && time >= 12 * 60) ? kSecond : kFirst;
    if (day == 20 && time >= 8 * 60 && time < 10 * 60) platform.pages.clear();
    const bool providerUp = !(day == 40 && time < 60);
    platform.httpAnswers.assign(2, {providerUp, 200, providerUp ? "good" : "", ""});
    platform.httpRequests.clear();
    platform.downloads.clear();
    platform.sleeps.clear();
    desktop.trayTips.clear();
    desktop.logLines.clear();

    CheckAddresses(*program);

    for (const HttpTransportRequest& request : platform.httpRequests) {
      const std::size_t at = request.target.find("myip=") + 5;
      sent.emplace_back(minute, request.target.substr(at, request.target.find('&', at) - at));
    }
    if (minute == kDay)
      heapAfterDay1 = HeapInUse(), logCapacityAfterDay1 = static_cast<long long>(ddnsLog.capacity());
  }

  // Beside the DDNS log box only the allocator's own caches may differ (a leak of one byte per check
  // would show as 17 KiB).
  const long long logGrowth = static_cast<long long>(ddnsLog.capacity()) - logCapacityAfterDay1;
  EXPECT_LT(HeapInUse() - heapAfterDay1 - logGrowth, 8192);

  const std::string keepAlive =
      "30 days or more since last update. Performing DDNS update to keep account active.";
  const std::string good = "DDNS Update Sent. Server Response: good";
  Requests expected{{5 * kDay, kFirst}, {10 * kDay + 12 * 60, kSecond}};
  Lines log{keepAlive,
            good,
            std::string("External IP ") + kFirst + " changed to " + kSecond,
            good,
            std::string("External IP ") + kSecond + " changed to 0.0.0.0",
            std::string("External IP 0.0.0.0 changed to ") + kSecond};
  for (int check = 40 * kDay; check < 40 * kDay + 60; check += 5) {
    expected.insert(expected.end(), 2, {check, kSecond});
    log.insert(log.end(), {keepAlive, "DDNS Update Failed.", "DDNS Update Failed.",
                           "DDNS update will be retried at the next check."});
  }
  expected.emplace_back(40 * kDay + 60, kSecond);
  log.insert(log.end(), {keepAlive, good});
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(LogTexts(), log);

  // The DDNS log box holds one line per update and nothing else.
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = ddnsLog.find("\r\nDDNS Update: ", at)) != std::string::npos; at += 2)
    ++lines;
  EXPECT_EQ(lines, 15u);
  EXPECT_LT(ddnsLog.size(), 15u * 160u);
}

}  // namespace
}  // namespace quorvane::testing
