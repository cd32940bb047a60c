#include "ddns/DdnsUpdate.h"

#include <array>
#include <string_view>

#include "app/Calendar.h"
#include "app/Program.h"
#include "ddns/OwedUpdate.h"
#include "ddns/ProviderCatalogue.h"
#include "ddns/modHTTP.h"
#include "log/ChangeLog.h"

namespace quorvane {

namespace {

constexpr std::string_view kRequestMarker = "1";
constexpr std::string_view kTimedMarker = "0";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kLogBoxPrefix = "DDNS Update: ";
constexpr std::string_view kUpdateStringPrefix = "DDNS update string: ";
constexpr std::string_view kPerforming = "Performing DDNS Update...";
constexpr std::string_view kResponseTipPrefix = "DDNS server response: ";
constexpr std::string_view kSentPrefix = "DDNS Update Sent. Server Response: ";
constexpr std::string_view kSuccessPrefix = "DDNS Update Success @ ";
constexpr std::string_view kErrorPrefix = "DDNS Error: ";
constexpr std::string_view kErrorDateSeparator = " @ ";
constexpr std::string_view kFailed = "DDNS Update Failed.";
constexpr std::string_view kFailurePrefix = "DDNS Update Failure @ ";
constexpr std::string_view kGood = "good";
constexpr std::string_view kNoChange = "nochg";
constexpr std::string_view kBadSystem = "badsys";
constexpr std::string_view kOutcomeSeparator = " - ";
constexpr std::string_view kRetryNextCheck = "DDNS update will be retried at the next check.";
constexpr std::string_view kRetryAfterWait =
    "DDNS update will be retried at the first check after 30 minutes.";
constexpr std::string_view kPausedAfterRefusal =
    "No DDNS update will be sent automatically until the service, user name, password, host name(s) or "
    "system is changed.";

// What an answer that is no success asks of us. Repeating a refused update gets accounts blocked;
// a temporary failure is sent again, after a pause where the provider asks for one.
enum class Verdict { Refused, RetryNextCheck, RetryAfterWait };

struct ReturnCode {
  std::string_view code;
  std::string_view message;
  Verdict verdict = Verdict::Refused;
};

// Searched in this order; the first code found in an answer decides its explanation.
constexpr std::array<ReturnCode, 11> kReturnCodes{{
    {kBadSystem,
     "The system parameter given is not valid. DDNS update disabled to avoid abuse/ban on DDNS system. "
     "Please "
     "correct the system name."},
    {"badagent",
     "The user agent that was sent has been blocked for not following specifications, or no user agent was "
     "specified."},
    {"badauth", "Invalid username/password combination."},
    {"!donator",
     "An option available only to credited users (such as offline URL) was specified, but the user is not a "
     "credited user. If multiple hosts were specified, only a single !donator will be returned."},
    {"notfqdn",
     "The hostname specified is not a fully-qualified domain name (not in the form hostname.dyndns.org or "
     "domain.com)."},
    {"nohost",
     "The hostname specified does not exist (or is not in the service specified in the system parameter)."},
    {"!yours", "The hostname specified exists, but not under the username specified."},
    {"numhost",
     "Too many or no hosts specified in an update. Also returned if trying to update a round robin (which is "
     "not "
     "allowed)."},
    {"abuse", "The hostname specified is blocked for update abuse."},
    {"dnserr", "DNS error encountered.", Verdict::RetryNextCheck},
    {"911", "There is a serious problem on our side, such as a database or DNS server failure.",
     Verdict::RetryAfterWait},
}};

constexpr int kMaxAttempts = 2;

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

std::string Stamp(const LocalDateTime& now) {
  return FormatLogDate(now) + " " + FormatLogTime(now);
}

void ShowStatus(frmMain& form, const std::string& caption, Rgb colour) {
  form.lblStatus.SetText(caption);
  form.lblStatus.SetColour(colour);
}

// The status line and the change log say what becomes of an update that did not succeed.
void Announce(Program& program, std::string_view message) {
  program.form.lblStatus.SetText(program.form.lblStatus.Text() + std::string(kOutcomeSeparator) +
                                 std::string(message));
  LogEvent(program, std::string(message));
}

void OweRetry(Program& program, std::int64_t notBefore, std::string_view message) {
  SetOwedUpdate(program, OwedUpdate{OwedKind::Retry, notBefore, 0});
  Announce(program, message);
}

// A provider answered: record the date, show and log the verdict. True when it was a success.
bool ReportAnswer(Program& program, const std::string& answer) {
  frmMain& form = program.form;
  const LocalDateTime now = program.platform.Now();
  program.state.lastUpdateDate = DayNumberOf(now);
  form.lblStatus.SetToolTip(std::string(kResponseTipPrefix) + answer);
  LogEvent(program, std::string(kSentPrefix) + answer);
  if (Contains(answer, kGood) || Contains(answer, kNoChange)) {
    ShowStatus(form, std::string(kSuccessPrefix) + Stamp(now), kGreen);
    SetOwedUpdate(program, OwedUpdate{});
    return true;
  }
  ShowStatus(form, std::string(kErrorPrefix) + answer + std::string(kErrorDateSeparator) + Stamp(now),
             kYellow);
  // An answer holding no known code is taken for trouble on the provider's side.
  Verdict verdict = Verdict::RetryAfterWait;
  for (const ReturnCode& code : kReturnCodes) {
    if (!Contains(answer, code.code)) continue;
    LogEvent(program, std::string(code.message));
    // The message promises that updates stop: switch them off as the user's own click would, which
    // also disables the fields, so a wrong system name is not sent again and again.
    if (code.code == kBadSystem) form.chkUpdateDynDNS.SetValue(0);
    verdict = code.verdict;
    break;
  }
  if (verdict == Verdict::Refused) {
    SetOwedUpdate(program, OwedUpdate{OwedKind::Refused, 0, SettingsFingerprint(form)});
    Announce(program, kPausedAfterRefusal);
  } else if (verdict == Verdict::RetryNextCheck) {
    OweRetry(program, 0, kRetryNextCheck);
  } else {
    OweRetry(program, MinuteStamp(now) + kServerTroubleWaitMinutes, kRetryAfterWait);
  }
  return false;
}

// A stop request ended the update before an answer came: it is owed, and nothing is reported. An
// update owed already stays as it was: a standing refusal must not become an automatic retry.
void OweInterrupted(Program& program) {
  if (program.state.owed.kind == OwedKind::None) SetOwedUpdate(program, OwedUpdate{OwedKind::Retry, 0, 0});
  program.state.updateFailed = true;
}

}  // namespace

void UpdateDynamicDNS(Program& program) {
  frmMain& form = program.form;
  // A timer tick arriving in a nested message loop (a developer-mode message box) must not start a
  // check in the middle of this step.
  const bool wasBusy = program.busy;
  program.busy = true;
  form.cmdUploadNow.SetEnabled(false);
  if ((form.checkRequest == kRequestMarker || program.state.externalChanged) &&
      form.chkUpdateDynDNS.Checked()) {
    SendDDNSUpdate(program, form.cmbDDNSservice.Text());
  }
  form.checkRequest = kTimedMarker;
  program.state.externalChanged = false;
  program.state.internalChanged = false;
  form.cmdUploadNow.SetEnabled(true);
  program.busy = wasBusy;
  if (!wasBusy) program.RunPendingRequests();
}

void SendDDNSUpdate(Program& program, const std::string& serviceName) {
  frmMain& form = program.form;
  program.state.updateFailed = false;
  const UpdateRequest request = BuildUpdateRequest(form, serviceName);

  form.txtSMTPlog.SetText(form.txtSMTPlog.Text() + std::string(kLineEnd) + std::string(kLogBoxPrefix) +
                          request.host + request.path + std::string(kLineEnd));
  if (form.chkExcessiveLogging.Checked()) LogEvent(program, std::string(kUpdateStringPrefix) + request.path);

  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    if (program.platform.StopRequested()) return OweInterrupted(program);
    ShowStatus(form, std::string(kPerforming), kGreen);
    // The credentials are read anew on every attempt: the user may have corrected them meanwhile.
    const std::string answer =
        HttpRequest(program, std::string(kVerbGet), request.host, request.path, request.secure,
                    form.txtDDNSusername.Text(), form.txtDDNSpassword.Text());
    if (!answer.empty()) {
      program.state.updateFailed = !ReportAnswer(program, answer);
      return;
    }
    if (program.platform.StopRequested()) return OweInterrupted(program);
    LogEvent(program, std::string(kFailed));
    ShowStatus(form, std::string(kFailurePrefix) + Stamp(program.platform.Now()), kRed);
  }
  program.state.updateFailed = true;
  OweRetry(program, 0, kRetryNextCheck);
}

}  // namespace quorvane
