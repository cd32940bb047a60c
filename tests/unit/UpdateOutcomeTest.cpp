#include <gtest/gtest.h>

#include "ddns/ProviderCatalogue.h"
#include "settings/TextValue.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

const std::string kRetryNext = "DDNS update will be retried at the next check.";
const std::string kRetryLater = "DDNS update will be retried at the first check after 30 minutes.";
const std::string kPaused =
    "No DDNS update will be sent automatically until the service, user name, password, host name(s) or "
    "system is changed.";

class UpdateOutcomeTest : public ProgramFixture {
 protected:
  UpdateOutcomeTest() { UseCheckAndUpdate(); }
  void Reset(std::vector<HttpTransportResult> answers) {
    platform.httpAnswers = std::move(answers);
    platform.httpRequests.clear(), platform.pages[kEcho] = "203.0.113.7";
    platform.now = {2026, 3, 7, 21, 5, 9};
    std::filesystem::remove(DataFile("ipchange.log"));
    program->state.lastUpdateDate = 46000;
    program->state.lastExternalIP.clear();
    program->state.owed = {};
    program->form.chkUpdateDynDNS.SetValue(1);
    program->form.txtDDNSpassword.SetText("s3cret-pass");
  }
};

// Update Now: the answer is dated, shown, logged (with the code's explanation if it holds one) and says
// what becomes of the update; the first code found decides. Timed checks then send an update that got
// no verdict again (after trouble on the provider's side not before 30 minutes); after a refusal
// nothing goes out until the settings change.
TEST_F(UpdateOutcomeTest, EachAnswerIsShownLoggedDatedAndDecidesWhenTheNextUpdateGoesOut) {
  const struct {
    const char* answer;  // empty: no answer on either attempt
    std::string outcome;
    bool explained;
    int boxAfter;
    const char* sentAt;  // per timed check at +5 ... +30 minutes, then after a new password
  } cases[] = {
      // clang-format off
      {"good 198.51.100.4", "", false, 1, "100000 0"}, {"nohost\nnochg 198.51.100.4", "", false, 1, "100000 0"},
      {"badauth", kPaused, true, 1, "000000 1"}, {"!yours", kPaused, true, 1, "000000 1"},
      {"dnserr\nabuse", kPaused, true, 1, "000000 1"}, {"dnserr", kRetryNext, true, 1, "100000 0"},
      {"911", kRetryLater, true, 1, "000001 0"}, {"500 Internal Server Error", kRetryLater, false, 1, "000001 0"},
      {"badsys", kPaused, true, 0, "000000 0"}, {"", kRetryNext, false, 1, "100000 0"},
  };  // clang-format on
  frmMain& form = program->form;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    const std::string answer = c.answer;
    Reset({{!answer.empty(), 200, c.answer, ""}, {true, 200, "", ""}});  // an empty body is no answer
    form.cmdUploadNow_Click();

    const bool success = c.outcome.empty();
    EXPECT_EQ(platform.httpRequests.size(), answer.empty() ? 2u : 1u);
    EXPECT_EQ(program->state.lastUpdateDate, answer.empty() ? 46000 : DayNumberOf(platform.now));
    const std::vector<std::string> log = LogTexts();
    EXPECT_EQ(log.front(), answer.empty()
                               ? "DDNS Update Failed."
                               : "DDNS Update Sent. Server Response: " + ReplaceAll(answer, "\n", "\\n"));
    EXPECT_EQ(log.size(), (answer.empty() ? 2u : 1u) + c.explained + !success);
    EXPECT_TRUE(success || log.back() == c.outcome) << log.back();
    const std::string verdict =
        success ? "DDNS Update Success" : (answer.empty() ? "DDNS Update Failure" : "DDNS Error: " + answer);
    EXPECT_EQ(form.lblStatus.Text(), verdict + " @ 03-07-2026 21:05:09" + (success ? "" : " - " + c.outcome));
    EXPECT_EQ(form.lblStatus.Colour(), success ? kGreen : answer.empty() ? kRed : kYellow);
    EXPECT_TRUE(answer.empty() || form.lblStatus.ToolTip() == "DDNS server response: " + answer);
    EXPECT_EQ(program->state.updateFailed, !success);
    EXPECT_EQ(form.chkUpdateDynDNS.Value(), c.boxAfter);

    platform.pages[kEcho] = "198.51.100.9";  // a new address: sent at the next check unless held
    platform.httpAnswers.resize(platform.httpRequests.size());
    platform.httpAnswers.push_back({true, 200, "good", ""});
    std::string sentAt;
    for (int tick = 1; tick <= 35; ++tick) {
      if (tick == 31) form.txtDDNSpassword.SetText("corrected"), sentAt += ' ';
      const std::size_t before = platform.httpRequests.size();
      ++platform.now.minute;  // from 21:05 on, within the hour
      CheckAddresses(*program);
      if (tick % 5 == 0) sentAt += platform.httpRequests.size() > before ? '1' : '0';
    }
    EXPECT_EQ(sentAt, c.sentAt);
  }
  // A clock set back a day (corrected by its user) does not stretch the pause after "911" to a day.
  Reset({{true, 200, "911", ""}, {true, 200, "good", ""}});
  Request();
  --platform.now.day;
  for (int tick = 0; tick < 5; ++tick) CheckAddresses(*program);
  EXPECT_EQ(platform.httpRequests.size(), 2u);
}

// The owed update survives a restart, and so does the provider's pause; a refusal is compared with the
// settings read at start.
TEST_F(UpdateOutcomeTest, OwedUpdateSurvivesARestart) {
  for (const auto& [answer, editPassword, sentAtStart] :
       std::vector<std::tuple<std::string, bool, std::size_t>>{
           {"", false, 1}, {"911", false, 0}, {"badauth", false, 0}, {"badauth", true, 1}}) {
    SCOPED_TRACE(answer + (editPassword ? " edited" : ""));
    Reset({2, {!answer.empty(), 200, answer, ""}});
    Request();
    program->ShutDown();
    EXPECT_EQ(ReadAll(DataFile("owed-update.txt")).find("s3cret"), std::string::npos);
    std::string config = ReadAll(DataFile("config.txt"));
    if (editPassword) config.replace(config.find("s3cret-pass"), 11, "new-pass");
    std::ofstream(DataFile("config.txt"), std::ios::binary) << config;

    platform.httpAnswers.assign(platform.httpRequests.size() + 1, {true, 200, "good", ""});
    StartProgram();
    EXPECT_EQ(platform.httpAnswers.size() - platform.httpRequests.size(), 1 - sentAtStart);
    EXPECT_EQ(platform.httpRequests.back().headerLines.at(1).substr(0, 28), "Authorization: Basic YWxpY2U");
    EXPECT_EQ(std::filesystem::exists(DataFile("owed-update.txt")), sentAtStart == 0);
    UseCheckAndUpdate();
  }
  std::ofstream(DataFile("owed-update.txt"), std::ios::binary) << "retry\r\n0\r\nX";  // damaged: nothing owed
  const std::size_t before = platform.httpRequests.size();
  StartProgram();
  EXPECT_EQ(platform.httpRequests.size(), before);
}

// The rows whose query follows a rule of its own (the others share the DynDNS row's shape). Values go
// in as typed, except bytes that would break the request line or start a header; names match exactly.
TEST_F(UpdateOutcomeTest, CatalogueRowsWithTheirOwnQueryRule) {
  const std::string options = "&wildcard=ON&mx=NOCHG&backmx=NO&offline=YES";
  const std::tuple<std::string, std::string, std::string> rows[] = {
      {"afraid.org", "k&y=1\r\nX: \xFC", "/dynamic/update.php?k&y=1%0D%0AX:%20%FC"},
      {"Duck DNS", "alice", "/update?domains=h1,h2&token=alice&ip=1.2.3.4"},
      {"DynDNS", "", "/nic/update?system=sys&hostname=h1,h2&myip=1.2.3.4" + options},
      {"OpenDNS", "", "/nic/update?system=sys&hostname=h1,h2" + options},
      {"OVH", "", "/nic/update?system=dyndns&hostname=h1,h2&myip=1.2.3.4" + options},
      {"Regfish", "", "/nic/update?token=UpdateKey_Fixed&fqdn=h1,h2.&thisipv4=1.2.3.4" + options},
      {"yi.org", "", "/bin/dyndns.fcgi?ipaddr=1.2.3.4"},
      {"ZoneEdit", "", "/auth/dynamic.html?host=h1,h2&dnsto=1.2.3.4"},
      {"dyndns", "", ""}};
  frmMain& form = program->form;
  // clang-format off
  for (auto [field, text] : std::vector<std::pair<Control*, std::string>>{{&form.txtDDNShostname, "h1,h2"},
           {&form.txtDDNSsystem, "sys"}, {&form.cmbDDNSwildcard, "ON"}, {&form.cmbDDNSmx, "NOCHG"},
           {&form.cmbDDNSbackMX, "NO"}, {&form.cmbDDNSoffline, "YES"}, {&form.txtExternalIP, "1.2.3.4"}})
    field->SetText(text);  // clang-format on
  for (const auto& [service, userName, path] : rows) {
    form.txtDDNSusername.SetText(userName);
    const UpdateRequest request = BuildUpdateRequest(form, service);
    EXPECT_EQ(request.path, path) << service;
    EXPECT_EQ(!request.host.empty() && request.secure, !path.empty()) << service;
  }
}

}  // namespace
}  // namespace quorvane::testing
