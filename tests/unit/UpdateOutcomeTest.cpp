#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/Calendar.h"
#include "ddns/DdnsUpdate.h"
#include "monitor/CheckCycle.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using Lines = std::vector<std::string>;
constexpr const char* kStamp = " @ 03-07-2026 21:05:09";  // the fake clock
constexpr std::int32_t kOldUpdateDate = 46000;
const HttpTransportResult kNoAnswer{false, 0, "", "connect timed out"};
const std::string kRetryNext = " - DDNS update will be retried at the next check.";
const std::string kRetryLater = " - DDNS update will be retried at the first check after 30 minutes.";
const std::string kPaused =
    " - No DDNS update will be sent automatically until the service, user name, password, host name(s) or "
    "system is changed.";

class UpdateOutcomeTest : public ProgramFixture {
 protected:
  UpdateOutcomeTest() {
    UseCheckAndUpdate();
    program->form.txtExternalIP.SetText("198.51.100.4");
  }
  void Reset() {
    platform.httpAnswers.clear();
    platform.httpRequests.clear();
    std::filesystem::remove(DataFile("ipchange.log"));
    program->state.lastUpdateDate = kOldUpdateDate;
    program->state.lastExternalIP.clear();
    program->state.owed = {};
    program->form.chkUpdateDynDNS.SetValue(1);
    program->form.txtDDNSpassword.SetText("s3cret-pass");
  }
  // Outcomes after the announce line's dash, as the status line and the change log show them.
  static std::string Said(const std::string& suffix) { return suffix.empty() ? "" : suffix.substr(3); }
};

TEST_F(UpdateOutcomeTest, EachAnswerIsShownLoggedAndDated) {
  const struct {
    const char* answer;
    const char* explanation;  // the change-log line after the answer line; nullptr: none
    const std::string& outcome;
    int boxAfter;
  } cases[] = {
      {"good 198.51.100.4", nullptr, "", 1},
      {"nochg 198.51.100.4", nullptr, "", 1},
      {"nohost\ngood 198.51.100.4", nullptr, "", 1},
      {"badauth", "Invalid username/password combination.", kPaused, 1},
      {"dnserr\nabuse", "The hostname specified is blocked for update abuse.", kPaused, 1},
      {"dnserr", "DNS error encountered.", kRetryNext, 1},
      {"911", "There is a serious problem on our side, such as a database or DNS server failure.",
       kRetryLater, 1},
      {"500 Internal Server Error", nullptr, kRetryLater, 1},
      {"badsys",
       "The system parameter given is not valid. DDNS update disabled to avoid abuse/ban on DDNS system. "
       "Please correct the system name.",
       kPaused, 0},
  };
  frmMain& form = program->form;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    Reset();
    platform.httpAnswers.push_back({true, 200, c.answer, ""});
    form.cmdUploadNow_Click();

    const bool success = c.outcome.empty();
    EXPECT_EQ(platform.httpRequests.size(), 1u);
    EXPECT_EQ(program->state.lastUpdateDate, DayNumberOf(platform.now));
    Lines expectedLog{std::string("DDNS Update Sent. Server Response: ") + c.answer};
    if (c.explanation != nullptr) expectedLog.emplace_back(c.explanation);
    if (!success) expectedLog.push_back(Said(c.outcome));
    EXPECT_EQ(LogTexts(), expectedLog);
    EXPECT_EQ(form.lblStatus.Text(),
              (success ? std::string("DDNS Update Success") : "DDNS Error: " + std::string(c.answer)) +
                  kStamp + c.outcome);
    EXPECT_EQ(form.lblStatus.Colour(), success ? kGreen : kYellow);
    EXPECT_EQ(program->state.updateFailed, !success);
    EXPECT_EQ(form.chkUpdateDynDNS.Value(), c.boxAfter);
  }
}

// No answer twice, or nothing to send to: two failure lines, the status in red, the date kept.
TEST_F(UpdateOutcomeTest, NoAnswerIsAFailedUpdate) {
  frmMain& form = program->form;
  for (const auto& [service, requests] :
       std::vector<std::pair<std::string, std::size_t>>{{"DynDNS", 2}, {"dyndns", 0}}) {
    SCOPED_TRACE(service);
    Reset();
    form.cmbDDNSservice.SetText(service);
    platform.httpAnswers = {kNoAnswer, {true, 200, "", ""}};  // an empty body counts as no answer
    form.cmdUploadNow_Click();

    EXPECT_EQ(platform.httpRequests.size(), requests);
    EXPECT_EQ(LogTexts(), (Lines{"DDNS Update Failed.", "DDNS Update Failed.", Said(kRetryNext)}));
    EXPECT_EQ(form.lblStatus.Text(), std::string("DDNS Update Failure") + kStamp + kRetryNext);
    EXPECT_EQ(form.lblStatus.Colour(), kRed);
    EXPECT_EQ(program->state.lastUpdateDate, kOldUpdateDate);
    EXPECT_TRUE(program->state.updateFailed);
  }
}

// The update step sends on a request ("1") or a changed address, and only with the box checked.
TEST_F(UpdateOutcomeTest, SendsOnlyWhenAskedOrChangedAndSwitchedOn) {
  const struct {
    const char* checkRequest;
    bool externalChanged;
    int boxValue;
    std::size_t sends;
  } cases[] = {{"1", false, 1, 1}, {"0", true, 1, 1}, {"0", false, 1, 0}, {"1", true, 0, 0}};
  frmMain& form = program->form;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.checkRequest) + (c.externalChanged ? " changed" : "") +
                 (c.boxValue ? " on" : ""));
    Reset();
    platform.httpAnswers.push_back({true, 200, "good", ""});
    form.checkRequest = c.checkRequest;
    program->state.externalChanged = c.externalChanged;
    form.chkUpdateDynDNS.SetValue(c.boxValue);
    UpdateDynamicDNS(*program);
    EXPECT_EQ(platform.httpRequests.size(), c.sends);
    EXPECT_EQ(form.checkRequest, "0");
    EXPECT_FALSE(program->state.externalChanged);
  }
}

// After an update that got no verdict, timed checks send it again (after "911" not before 30 minutes);
// after a refusal nothing goes out until the settings change.
TEST_F(UpdateOutcomeTest, OwedUpdateGoesOutAtLaterChecks) {
  const struct {
    std::vector<HttpTransportResult> first;
    const char* sentAt;  // per timed check at +5 ... +30 minutes, then after a new password
  } cases[] = {
      {{kNoAnswer, kNoAnswer}, "100000 0"},      {{{true, 200, "dnserr", ""}}, "100000 0"},
      {{{true, 200, "911", ""}}, "000001 0"},    {{{true, 200, "badauth", ""}}, "000000 1"},
      {{{true, 200, "!yours", ""}}, "000000 1"}, {{{true, 200, "good", ""}}, "000000 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first[0].body);
    Reset();
    platform.httpAnswers = c.first;
    Request();  // the address is new: an update goes out with the scripted answer
    platform.httpAnswers.resize(c.first.size() + 1, {true, 200, "good", ""});
    std::string sentAt;
    for (int tick = 1; tick <= 35; ++tick) {
      if (tick == 31) {
        program->form.txtDDNSpassword.SetText("corrected");
        sentAt += ' ';
      }
      const std::size_t before = platform.httpRequests.size();
      AdvanceMinutes(1);
      CheckAddresses(*program);
      if (tick % 5 == 0) sentAt += platform.httpRequests.size() > before ? '1' : '0';
    }
    EXPECT_EQ(sentAt, c.sentAt);
  }
}

// The owed update survives a restart; a refusal is compared with the settings read at start.
TEST_F(UpdateOutcomeTest, OwedUpdateSurvivesARestart) {
  const struct {
    const char* answer;  // empty: no answer
    bool editPassword;
    std::size_t sentAtStart;
  } cases[] = {{"", false, 1}, {"badauth", false, 0}, {"badauth", true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.answer) + (c.editPassword ? " edited" : ""));
    Reset();
    platform.httpAnswers.assign(2, {*c.answer != '\0', 200, c.answer, ""});
    Request();
    program->ShutDown();
    EXPECT_EQ(ReadAll(DataFile("owed-update.txt")).find("s3cret"), std::string::npos);
    std::string config = ReadAll(DataFile("config.txt"));
    if (c.editPassword) config.replace(config.find("s3cret-pass"), 11, "new-pass");
    std::ofstream(DataFile("config.txt"), std::ios::binary) << config;

    platform.httpAnswers.assign(platform.httpRequests.size() + 1, {true, 200, "good", ""});
    const std::size_t before = platform.httpRequests.size();
    StartProgram();
    EXPECT_EQ(platform.httpRequests.size() - before, c.sentAtStart);
    EXPECT_EQ(std::filesystem::exists(DataFile("owed-update.txt")), c.sentAtStart == 0);
    program->ShutDown();
    UseCheckAndUpdate();
  }
}

}  // namespace
}  // namespace quorvane::testing
