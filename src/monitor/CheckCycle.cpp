#include "monitor/CheckCycle.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "app/Calendar.h"
#include "app/Program.h"
#include "ddns/DdnsUpdate.h"
#include "ddns/OwedUpdate.h"
#include "log/ChangeLog.h"
#include "monitor/modGetIP.h"
#include "monitor/modGetLANIP.h"
#include "settings/TextValue.h"

namespace quorvane {

namespace {

constexpr const char* kStartupMessage = "Program startup. Acquiring and Checking IP Addresses.";
constexpr const char* kCheckNowMessage = "Check now button pushed. Acquiring and Checking IP Addresses.";
constexpr const char* kThirtyDayMessage =
    "30 days or more since last update. Performing DDNS update to keep account active.";
constexpr const char* kRetryingMessage = "Unable to retrieve external IP address. Trying again.";
constexpr const char* kRetryFailedMessage = "Unable to retrieve external IP address on second attempt.";
constexpr const char* kRetrySucceededMessage =
    "External IP address retrieved successfully on second attempt.";
constexpr const char* kOwedMessage = "Performing the DDNS update that is still owed.";
constexpr const char* kSettingsChangedMessage =
    "DDNS settings changed since the refused update. Performing DDNS update.";

constexpr const char* kRequestedCheck = "1";
constexpr const char* kTimedCheck = "0";
// The address text that stands for "not obtained".
constexpr const char* kNoAddress = "0.0.0.0";
constexpr const char* kLineEnd = "\r\n";

constexpr int kRetryPauseMs = 3000;
// Longest text the external field takes from a retrieval; the failure value has exactly this length,
// so it survives the cut and is still recognised afterwards.
constexpr std::size_t kExternalFieldLength = 18;
// The 30-day rule fires when more days than this have passed since the last update.
constexpr std::int32_t kDaysWithoutUpdate = 29;

void LogIfEverything(Program& program, const std::string& message) {
  if (program.form.chkExcessiveLogging.Checked()) LogEvent(program, message);
}

// A retrieval's answer as the external field takes it: no CR or LF, and no longer than the field.
std::string FieldTextOf(const std::string& answer) {
  std::string text;
  for (char c : answer) {
    if (c != '\r' && c != '\n') text += c;
  }
  if (text.size() > kExternalFieldLength) text = TrimBlanks(text).substr(0, kExternalFieldLength);
  return text;
}

// Steps 1-2: decides whether this call checks. A tick that only counts ends here.
bool ShouldCheck(Program& program) {
  frmMain& form = program.form;
  ProgramState& state = program.state;
  if (form.checkRequest == kRequestedCheck) {
    form.checkRequest = kTimedCheck;
    LogIfEverything(program, state.startingUp ? kStartupMessage : kCheckNowMessage);
    return true;
  }
  if (form.checkRequest != kTimedCheck) return true;

  // The count stops at its ceiling instead of wrapping, so a huge interval never checks rather than
  // checking at some arbitrary tick.
  if (state.minuteCount < std::numeric_limits<std::int16_t>::max()) ++state.minuteCount;
  const double interval = LeadingNumber(form.txtInterval.Text());
  if (interval > state.minuteCount) return false;
  state.minuteCount = 0;
  return !form.chkOffline.Checked();
}

void ApplyThirtyDayRule(Program& program) {
  ProgramState& state = program.state;
  // A refusal stands until the user changes the settings: a keep-alive would only repeat it.
  if (!program.form.chkUpdateDynDNS.Checked() || AutomaticUpdatesHeld(program)) return;
  if (DayNumberOf(program.platform.Now()) - state.lastUpdateDate <= kDaysWithoutUpdate) return;
  LogEvent(program, kThirtyDayMessage);
  state.updateNeeded = true;
  program.form.checkRequest = kRequestedCheck;
}

// Step 6: one retry after a pause. Returns false when the retry failed too; the failure is then
// already logged and the field holds the no-address text.
bool RetryExternal(Program& program) {
  Control& external = program.form.txtExternalIP;
  ProgramState& state = program.state;
  external.SetText(kNoAddress);
  LogIfEverything(program, kRetryingMessage);
  program.platform.Sleep(kRetryPauseMs);
  if (program.platform.StopRequested()) return false;  // the caller abandons the check
  external.SetText(TrimBlanks(FieldTextOf(GetWanIP(program))));
  if (program.platform.StopRequested()) return false;
  if (external.Text() == kUnableToAccess) {
    LogIfEverything(program, kRetryFailedMessage);
    external.SetText(kNoAddress);
    if (state.lastExternalIP != kNoAddress) {
      LogExternalIPChange(program);
      state.externalChanged = true;
    }
    return false;
  }
  LogIfEverything(program, kRetrySucceededMessage);
  return true;
}

// Steps 7 and 8 for an obtained address: a change is logged and asks for an update, except that an
// address returning unchanged after an outage is logged but does not by itself ask for one.
void CompareObtained(Program& program, const std::string& field, const std::string& last,
                     std::string& lastGood, bool& changed, void (*logChange)(Program&)) {
  if (last == kNoAddress || field != last) {
    logChange(program);
    changed = true;
    if (last != kNoAddress || field != lastGood) program.state.updateNeeded = true;
  }
  lastGood = field;
}

void CompareExternal(Program& program) {
  ProgramState& state = program.state;
  CompareObtained(program, program.form.txtExternalIP.Text(), state.lastExternalIP, state.lastGoodExternalIP,
                  state.externalChanged, LogExternalIPChange);
}

// The internal address may also be the no-address text: losing it is a change, the last good one stays.
void CompareInternal(Program& program) {
  ProgramState& state = program.state;
  const std::string& field = program.form.txtInternalIP.Text();
  if (field != kNoAddress) {
    CompareObtained(program, field, state.lastInternalIP, state.lastGoodInternalIP, state.internalChanged,
                    LogInternalIPChange);
  } else if (state.lastInternalIP != kNoAddress) {
    LogInternalIPChange(program);
    state.internalChanged = true;
    state.updateNeeded = true;
  }
}

void WriteIpFile(Program& program) {
  ProgramState& state = program.state;
  state.ipFilePath = state.dataFolder + kIpFileName;
  // Without a data folder the path would name a file in the working directory: write nothing.
  if (state.dataFolder.empty()) return;
  const frmMain& form = program.form;
  program.platform.ReplaceFile(state.ipFilePath,
                               form.txtExternalIP.Text() + kLineEnd + form.txtInternalIP.Text() + kLineEnd);
}

// An update still owed from an earlier check goes out with this one.
void ApplyOwedUpdate(Program& program) {
  if (!OwedUpdateDue(program)) return;
  if (program.state.owed.kind == OwedKind::Refused) {
    LogEvent(program, kSettingsChangedMessage);
  } else {
    LogIfEverything(program, kOwedMessage);
  }
  program.state.updateNeeded = true;
  program.form.checkRequest = kRequestedCheck;
}

// A stop request ended the check before its comparisons: nothing of it is logged or stored, so the
// next run compares with the same last known addresses and misses no change.
void AbandonCheck(Program& program) {
  program.form.txtExternalIP.SetText(program.state.lastExternalIP);
  program.form.txtInternalIP.SetText(program.state.lastInternalIP);
  program.form.checkRequest = kTimedCheck;
}

// Steps 3-12: one check.
void RunCheck(Program& program) {
  frmMain& form = program.form;
  ProgramState& state = program.state;

  form.txtExternalIP.SetText(FieldTextOf(GetWanIP(program)));
  if (program.platform.StopRequested()) return AbandonCheck(program);
  // When the address table cannot be read the internal field keeps its previous text.
  if (const std::optional<std::string> lan = GetLANIP(program.platform)) {
    form.txtInternalIP.SetText(TrimBlanks(*lan));
  }

  const bool obtained = form.txtExternalIP.Text() != kUnableToAccess || RetryExternal(program);
  if (program.platform.StopRequested()) return AbandonCheck(program);
  if (obtained) CompareExternal(program);
  CompareInternal(program);

  WriteIpFile(program);
  // The keep-alive is announced only when it can go out: with an address, and nothing held.
  if (obtained && !AutomaticUpdatesHeld(program)) ApplyThirtyDayRule(program);
  if (obtained) ApplyOwedUpdate(program);
  // Nothing goes out on its own with an address this check did not obtain (it would point the host
  // name at 0.0.0.0), nor while a refusal stands or the provider's pause lasts.
  if (!obtained || AutomaticUpdatesHeld(program)) {
    form.checkRequest = kTimedCheck;
    state.externalChanged = false;
  }
  if (state.updateNeeded) UpdateDynamicDNS(program);

  state.lastExternalIP = form.txtExternalIP.Text();
  state.lastInternalIP = form.txtInternalIP.Text();
  state.externalObtained = !state.lastExternalIP.empty() && state.lastExternalIP != kNoAddress;
  program.desktop.SetTrayTip(TrayTip(state.lastExternalIP, state.lastInternalIP));
}

}  // namespace

void CheckAddresses(Program& program) {
  // A timer tick dispatched while a check or an update blocks (a download, the retry pause, a
  // message box) must not start a second check inside the first one.
  if (program.busy) return;
  program.busy = true;

  frmMain& form = program.form;
  form.cmdCheckNow.SetEnabled(false);
  program.state.externalChanged = false;
  program.state.internalChanged = false;
  program.state.updateNeeded = false;

  if (ShouldCheck(program)) RunCheck(program);

  form.cmdCheckNow.SetEnabled(true);
  program.busy = false;
  program.RunPendingRequests();
}

}  // namespace quorvane
