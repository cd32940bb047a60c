#include <gtest/gtest.h>

#include <filesystem>

#include "app/Calendar.h"
#include "ddns/DdnsUpdate.h"
#include "settings/TextValue.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

constexpr const char* kStamp = " @ 03-07-2026 21:05:09";  // the fake clock
constexpr std::int32_t kOldUpdateDate = 46000;

class UpdateOutcomeTest : public ProgramFixture {
 protected:
  UpdateOutcomeTest() {
    frmMain& form = program->form;
    form.chkUpdateDynDNS.SetValue(1);
    form.cmbDDNSservice.SetText("DynDNS");
    form.txtDDNSusername.SetText("alice");
    form.txtDDNSpassword.SetText("s3cret-pass");
    form.txtDDNShostname.SetText("home.example.net");
    form.txtExternalIP.SetText("198.51.100.4");
  }
  void Reset() {
    platform.httpAnswers.clear();
    platform.httpRequests.clear();
    std::filesystem::remove(DataFile("ipchange.log"));
    program->state.lastUpdateDate = kOldUpdateDate;
    program->state.updateFailed = false;
    program->form.chkUpdateDynDNS.SetValue(1);
  }
};

const struct {
  const char* answer;
  bool success;
  const char* explanation;  // the change-log line after the answer line; nullptr: none
  int boxAfter;
} kAnswers[] = {
    {"good 198.51.100.4", true, nullptr, 1},
    {"nochg 198.51.100.4", true, nullptr, 1},
    {"nohost\ngood 198.51.100.4", true, nullptr, 1},
    {"badauth", false, "Invalid username/password combination.", 1},
    {"dnserr\nabuse", false, "The hostname specified is blocked for update abuse.", 1},
    {"500 Internal Server Error", false, nullptr, 1},
    {"badsys", false,
     "The system parameter given is not valid. DDNS update disabled to avoid abuse/ban on DDNS system. "
     "Please correct the system name.",
     0},
};

TEST_F(UpdateOutcomeTest, EachAnswerIsShownLoggedAndDated) {
  frmMain& form = program->form;
  for (const auto& c : kAnswers) {
    SCOPED_TRACE(c.answer);
    Reset();
    platform.httpAnswers.push_back({true, 200, c.answer, ""});

    form.cmdUploadNow_Click();

    EXPECT_EQ(platform.httpRequests.size(), 1u);
    EXPECT_EQ(program->state.lastUpdateDate, DayNumberOf(platform.now));
    std::vector<std::string> expectedLog{"DDNS Update Sent. Server Response: " +
                                         ReplaceAll(c.answer, "\n", "\\n")};
    if (c.explanation != nullptr) expectedLog.emplace_back(c.explanation);
    EXPECT_EQ(LogTexts(), expectedLog);
    EXPECT_EQ(
        form.lblStatus.Text(),
        (c.success ? std::string("DDNS Update Success") : "DDNS Error: " + std::string(c.answer)) + kStamp);
    EXPECT_EQ(form.lblStatus.Colour(), c.success ? kGreen : kYellow);
    EXPECT_EQ(program->state.updateFailed, !c.success);
    EXPECT_EQ(form.chkUpdateDynDNS.Value(), c.boxAfter);
  }
}

// No answer twice, or nothing to send to: two failure lines, the status in red, the date kept.
TEST_F(UpdateOutcomeTest, NoAnswerIsAFailedUpdate) {
  const struct {
    const char* service;
    std::size_t requests;
  } cases[] = {{"DynDNS", 2}, {"dyndns", 0}, {"", 0}};
  frmMain& form = program->form;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.service);
    Reset();
    form.cmbDDNSservice.SetText(c.service);
    platform.httpAnswers.push_back({false, 0, "", "connect timed out"});
    platform.httpAnswers.push_back({true, 200, "", ""});  // an empty body counts as no answer

    form.cmdUploadNow_Click();

    EXPECT_EQ(platform.httpRequests.size(), c.requests);
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"DDNS Update Failed.", "DDNS Update Failed."}));
    EXPECT_EQ(form.lblStatus.Text(), std::string("DDNS Update Failure") + kStamp);
    EXPECT_EQ(form.lblStatus.Colour(), kRed);
    EXPECT_EQ(program->state.lastUpdateDate, kOldUpdateDate);
    EXPECT_TRUE(program->state.updateFailed);
  }
}

// The update step sends on a request ("1") or a changed address, and only with the box checked.
TEST_F(UpdateOutcomeTest, SendsOnlyWhenAskedOrChangedAndSwitchedOn) {
  const struct {
    const char* what;
    const char* checkRequest;
    bool externalChanged;
    int boxValue;
    std::size_t sends;
  } cases[] = {
      {"requested", "1", false, 1, 1},
      {"address changed on a timed check", "0", true, 1, 1},
      {"unchanged address on a timed check", "0", false, 1, 0},
      {"box unchecked, requested and changed", "1", true, 0, 0},
  };
  frmMain& form = program->form;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
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

}  // namespace
}  // namespace quorvane::testing
