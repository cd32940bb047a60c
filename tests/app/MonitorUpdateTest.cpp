#include <gtest/gtest.h>

#include "app/MonitorFixture.h"
#include "core/OwedUpdate.h"
#include "core/Providers.h"

namespace quorvane::testing {
namespace {

const std::string kRefused =
    "No DDNS update will be sent automatically until the service, user name, password, host name(s) or "
    "system is changed.";

// What each answer shows and logs, what it leaves owed, and whether it dates the update.
TEST_F(MonitorTest, AnswersDecideTheStatusTheLogAndWhatIsOwed) {
  const std::string stamp = " @ 03-07-2026 21:05:09";
  const std::string pause = "retry\r\n" + std::to_string(MinuteStamp({2026, 3, 7, 21, 35, 0})) + "\r\n";
  const struct {
    std::vector<HttpTransportResult> answers;
    std::string hosts, status;
    Lines log;  // from the first "DDNS Update" line on; empty: not checked
    std::string owedFile;
    bool updatesStayOn = true;
  } cases[] = {
      // clang-format off
      {{kGood}, "a.example", "DDNS Update Success" + stamp, {kSent}, ""},
      {{{true, 200, "badauth", ""}}, "a.example", "DDNS Error: badauth" + stamp + " - " + kRefused,
       {"DDNS Update Sent. Server Response: badauth", "Invalid username/password combination.", kRefused},
       "refused"},
      {{{true, 200, "badsys", ""}}, "a.example", "", {}, "refused", false},
      {{{true, 200, "911", ""}}, "a.example", "", {}, pause},
      {{{true, 503, "Have a good day.", ""}}, "a.example", "", {}, "retry\r\n0\r\n"},
      {{{false, 0, "", "refused"}, {true, 200, "", ""}}, "a.example",
       "DDNS Update Failure" + stamp + " - DDNS update will be retried at the next check.",
       {"DDNS Update Failed.", "DDNS Update Failed.", "DDNS update will be retried at the next check."},
       "retry\r\n0\r\n"},
      {{{true, 200, "good 203.0.113.7\nnohost\n", ""}}, "a.example,b.example",
       "DDNS Error: b.example: nohost" + stamp + " - " + kRefused, {}, "refused"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answers.front().body);
    std::filesystem::remove_all(Folder());
    std::filesystem::create_directories(Folder());
    Settings s = Updating();
    s.hostNames = c.hosts;
    Write(s);
    platform.httpRequests.clear();
    platform.httpAnswers = c.answers;
    shown.reset();
    Start();
    const Lines logged = TakeLog();
    const auto sent = std::find_if(logged.begin(), logged.end(),
                                   [](const std::string& line) { return line.starts_with("DDNS Update"); });
    EXPECT_TRUE(c.log.empty() || Lines(sent, logged.end()) == c.log);
    EXPECT_TRUE(c.status.empty() || status == c.status) << status;
    const std::string owed =
        std::filesystem::exists(File(kOwedUpdateFileName)) ? ReadAll(File(kOwedUpdateFileName)) : "";
    EXPECT_EQ(owed.substr(0, c.owedFile.size()), c.owedFile);
    EXPECT_EQ(owed.empty(), c.owedFile.empty());
    EXPECT_EQ(shown.has_value(), !c.answers.back().body.empty());  // no answer changes no setting
    EXPECT_EQ(startup, std::make_pair(true, c.owedFile != ""));
    EXPECT_TRUE(Stop().saved);
    EXPECT_EQ(OnDisk().updateEnabled, c.updatesStayOn);
    EXPECT_EQ(OnDisk().lastUpdateDay, shown ? DayNumberOf(platform.now) : s.lastUpdateDay);
  }
}

// A refusal holds updates (restarts too) until provider settings change; updates off drop what is owed.
TEST_F(MonitorTest, OwedUpdateRules) {
  Write(Updating());
  platform.httpAnswers = {{true, 200, "badauth", ""}, kDnsErr, kDnsErr, kDnsErr};
  Start();
  platform.pages[kEcho] = "198.51.100.4";  // not sent while the refusal stands, a restart included
  Start();
  EXPECT_EQ(platform.httpRequests.size(), 1u);
  Settings corrected = Updating();
  corrected.password = "corrected";
  const std::string dropped = "Dynamic DNS updates are switched off: the owed DDNS update is dropped.";
  for (const int mode : {0, 1, 2}) {  // off in the window, on disk and reloaded, on disk at a restart
    monitor->ApplySettings(corrected);
    mode ? monitor->UpdateNow() : monitor->CheckNow();
    Settle();
    EXPECT_EQ(platform.httpRequests.size(), 2u + mode);
    EXPECT_TRUE(std::filesystem::exists(File(kOwedUpdateFileName)));
    Settings off = corrected;
    off.updateEnabled = false;
    if (mode == 2) Stop();
    mode ? Write(off) : monitor->ApplySettings(off);
    if (mode == 1) monitor->Reload();
    if (mode == 2) Start();
    Settle();
    EXPECT_FALSE(std::filesystem::exists(File(kOwedUpdateFileName)));
    EXPECT_EQ(Logged(dropped), mode + 1);
    EXPECT_TRUE(mode != 1 || !shown->updateEnabled);  // the window shows what was read
  }
  EXPECT_EQ(Logged("DDNS settings changed since the refused update. Performing DDNS update."), 1);
}

// A stale entry (update refused, or no address at three checks) is told once per episode, its end once.
TEST_F(MonitorTest, OneNoticePerEpisodeAndOneWhenItEnds) {
  Write(Updating());
  platform.httpAnswers = {kDnsErr, kDnsErr, kGood};
  Start();
  platform.pages.clear();  // no address during a failed update's episode: no second notice
  for (int i = 0; i < 3; ++i) Check();
  platform.pages[kEcho] = "203.0.113.7";
  Check();
  Check();
  platform.pages.clear();
  for (int i = 0; i < 4; ++i) Check();
  platform.pages[kEcho] = "203.0.113.7";
  Check();
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_EQ(
      notices[0].rfind("The DNS entry could not be updated for home.example.net: DDNS Error: dnserr", 0), 0u);
  EXPECT_EQ(
      Lines(notices.begin() + 1, notices.end()),
      (Lines{"home.example.net now points to 203.0.113.7",
             "The public address could not be learnt at three checks in a row: the DNS entry may be stale.",
             "The public address is learnt again: 203.0.113.7"}));
  Settings quiet = OnDisk();
  quiet.notifyProblems = false;
  monitor->ApplySettings(quiet);
  platform.pages.clear();
  for (int i = 0; i < 3; ++i) Check();
  EXPECT_EQ(notices.size(), 4u) << "none when they are turned off";
}

// Secrets reach no log or box, nor Basic credentials where unused; no URLs or an unknown service: said.
TEST_F(MonitorTest, SecretsAndEmptyUrlList) {
  Settings s = Updating();
  s.service = "Duck DNS";
  s.userName = "duck-token-123";
  s.logEverything = true;
  s.echoUrls = {"http://missing.test/", "http://private.test/", kEcho};
  platform.pages["http://private.test/"] = "192.168.1.20";
  Write(s);
  platform.httpAnswers = {{true, 200, "OK", ""}};
  Start(true);
  // Developer mode names each failed echo page, the step and why; the log keeps its one line.
  for (const std::string failed : {"http://missing.test/: download: HTTP status 404",
                                   "http://private.test/: page: not a public address: 192.168.1.20"})
    EXPECT_EQ(std::ranges::count(boxes, "Failed IP-echo page " + failed), 1) << failed;
  Check();
  EXPECT_EQ(Logged("Check now button pushed. Acquiring and Checking IP Addresses."), 1);
  ASSERT_EQ(platform.httpRequests.size(), 1u);
  EXPECT_NE(platform.httpRequests[0].target.find("token=duck-token-123"), std::string::npos);
  EXPECT_EQ(platform.httpRequests[0].headerLines.size(), 2u);  // no Authorization
  for (const Lines& shownLines : {log, boxes})
    for (const std::string& text : shownLines) EXPECT_EQ(text.find("duck-token-123"), std::string::npos);
  EXPECT_EQ(
      ddnsLog,
      "\r\nDDNS Update: www.duckdns.org/update?domains=home.example.net&token=********&ip=203.0.113.7\r\n");
  EXPECT_EQ(Logged("DDNS update string: /update?domains=home.example.net&token=********&ip=203.0.113.7"), 1);

  s.echoUrls.clear();
  s.logEverything = false;
  Write(s);
  TakeLog();
  Start();
  monitor->UpdateNow();
  Check();
  EXPECT_EQ(TakeLog(),
            (Lines{"The IP-echo URL list is empty: the external IP address cannot be retrieved and no DDNS "
                   "update is sent.",
                   "External IP 203.0.113.7 changed to 0.0.0.0",
                   "DDNS update not sent: the external IP address has not been retrieved."}));
  EXPECT_EQ(platform.httpRequests.size(), 1u);
  EXPECT_EQ(platform.sleeps.size(), 0u);

  s.service = "NoSuchDNS";
  s.echoUrls = {kEcho};
  Write(s);
  Start();
  monitor->UpdateNow();
  Settle();
  EXPECT_EQ(Logged("The DDNS service \"NoSuchDNS\" is not known. Known services: " + ProviderNameList()), 1);
}

}  // namespace
}  // namespace quorvane::testing
