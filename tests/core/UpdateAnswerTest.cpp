#include "core/UpdateAnswer.h"

#include <gtest/gtest.h>

#include "core/OwedUpdate.h"
#include "platform/Calendar.h"

namespace quorvane::testing {
namespace {

using enum Verdict;

TEST(UpdateAnswerTest, VerdictAndColourPerAnswerStatusAndHosts) {
  const struct {
    std::string body;
    int status;
    std::string hosts;
    Verdict verdict;
    std::vector<std::string> explanations;
    std::string failingHost;
  } cases[] = {
      // clang-format off
      {"\r\nnochg 203.0.113.7\r\n", 204, "a", Success, {}, ""},
      {"goodbye", 200, "a", RetryAfterWait, {}, ""},                // a code is a whole word
      {"Have a good day.", 200, "a", RetryAfterWait, {}, ""},       // a code starts a line
      {"good", 503, "a", RetryNextCheck, {}, ""},                   // success only with 2xx
      {"badauth: credentials are no good", 401, "a", Refused, {}, ""},
      {"badauth", 401, "a", Refused, {"Invalid username/password combination."}, ""},
      {"abuse", 403, "a", Refused, {"The hostname specified is blocked for update abuse."}, ""},
      {"dnserr", 200, "a", RetryNextCheck, {"DNS error encountered."}, ""},
      {"911", 200, "a", RetryAfterWait,
       {"There is a serious problem on our side, such as a database or DNS server failure."}, ""},
      {"dnserr\nabuse\n", 200, "a", Refused, {"The hostname specified is blocked for update abuse."}, ""},
      {"good 1.2.3.4\nbadauth\n", 200, "a", Success, {}, ""},       // one host: success first
      // Several hosts, one line each: every line must succeed, the worst names its host.
      {"good 1.2.3.4\nnochg 1.2.3.4", 200, "a.example, b.example", Success, {}, ""},
      {"good 1.2.3.4\nnohost\n", 200, "a.example,b.example", Refused,
       {"b.example: The hostname specified does not exist (or is not in the service specified in the system "
        "parameter)."}, "b.example"},
      {"dnserr\n911\ngood\n", 200, "a,b,c", RetryAfterWait,
       {"a: DNS error encountered.",
        "b: There is a serious problem on our side, such as a database or DNS server failure."}, "b"},
      {"good\n", 200, "a,b", RetryAfterWait, {}, ""},                        // a line per host is missing
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body + " / " + std::to_string(c.status) + " / " + c.hosts);
    const AnswerJudgement j = JudgeAnswer(c.body, c.status, c.hosts);
    EXPECT_EQ(j.verdict, c.verdict);
    EXPECT_EQ(j.explanations, c.explanations);
    EXPECT_EQ(j.failingHost, c.failingHost);
    EXPECT_FALSE(j.disablesUpdates);
    // The status texts are checked where the Monitor shows them; the colours here.
    EXPECT_EQ(AnswerStatus(j, c.body, {}).colour,
              c.verdict == Success ? StatusColour::Green : StatusColour::Yellow);
  }
  EXPECT_EQ(FailureStatus({}).colour, StatusColour::Red);
  EXPECT_TRUE(JudgeAnswer("badsys", 200, "a").disablesUpdates);
  EXPECT_TRUE(JudgeAnswer("good\nbadsys", 200, "a,b").disablesUpdates);
}

TEST(OwedUpdateTest, FileTextHeldDueAndKeepAlive) {
  for (const OwedUpdate& owed :
       {OwedUpdate{OwedKind::Retry, 12345, 0}, OwedUpdate{OwedKind::Refused, 0, 0xabc}})
    EXPECT_EQ(ParseOwedUpdate(RenderOwedUpdate(owed)), owed);
  for (const char* text :
       {"", "retry\r\n", "retry\r\nx\r\n", "refused\r\n12\r\nmore", "retry\n7\n", "wait\r\n7\r\n"})
    EXPECT_EQ(ParseOwedUpdate(text), OwedUpdate{}) << text;
  Settings on, off, changed;
  on.updateEnabled = changed.updateEnabled = true;
  changed.password = "corrected";
  const OwedUpdate pause{OwedKind::Retry, 1000, 0}, refused{OwedKind::Refused, 0, ProviderFingerprint(on)};
  const struct {
    OwedUpdate owed;
    const Settings* settings;
    std::int64_t now;
    bool held, due;
  } cases[] = {
      {{}, &on, 1000, false, false},       {pause, &on, 999, true, false},
      {pause, &on, 1000, false, true},     {pause, &on, 1000 - 31, false, true},  // clock set back far
      {pause, &off, 1000, false, false},   {refused, &on, 0, true, false},
      {refused, &changed, 0, false, true}, {refused, &off, 0, true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AutomaticUpdatesHeld(c.owed, *c.settings, c.now), c.held);
    EXPECT_EQ(OwedUpdateDue(c.owed, *c.settings, c.now), c.due);
  }
  const std::int32_t today = DayNumberFromDate(2026, 3, 7);
  for (const auto& [lastDay, enabled, due] :
       {std::tuple{today - 29, true, false}, std::tuple{today - 30, true, true},
        std::tuple{today + 1, true, true}, std::tuple{0, false, false}}) {
    Settings s = enabled ? on : off;
    s.lastUpdateDay = lastDay;
    EXPECT_EQ(KeepAliveDue(s, today), due) << lastDay;
  }
  EXPECT_EQ(MinuteStamp({1899, 12, 31, 1, 2, 3}), 1440 + 62);
}

}  // namespace
}  // namespace quorvane::testing
