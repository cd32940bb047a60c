// The check: both addresses learnt, compared with the last known ones, changes logged, ip.txt
// rewritten, and the update step run when one is due.

#include "app/MonitorState.h"
#include "core/ChangeLog.h"
#include "core/EchoPage.h"
#include "core/IPv4.h"
#include "core/LanAddress.h"
#include "platform/Calendar.h"

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
constexpr const char* kEmptyListMessage =
    "The IP-echo URL list is empty: the external IP address cannot be retrieved and no DDNS update is sent.";
constexpr const char* kExternalTip = "External IP: ";
constexpr const char* kInternalTip = "Internal IP: ";
constexpr int kRetryPauseMs = 3000;
constexpr int kChecksBeforeNotice = 3;
constexpr const char* kNoticeNoAddress =
    "The public address could not be learnt at three checks in a row: the DNS entry may be stale.";
constexpr const char* kNoticeAddressAgain = "The public address is learnt again: ";
constexpr const char* kPageFailedStart = "Failed IP-echo page ";
constexpr const char* kDownloadStep = "download: ";
constexpr const char* kPageStep = "page: ";
constexpr const char* kNoTempFolder = "no private folder for temporary files";
// How much of a downloaded page the developer-mode message box shows.
constexpr std::size_t kPagePreviewLength = 15;

}  // namespace

std::string SeenAddress::Text() const {
  return learnt ? ShownAddress(address) : std::string();
}

SeenAddress SeenAddress::FromText(std::string_view text) {
  const std::optional<IPv4Address> parsed = ParseIPv4(text);
  if (!parsed) return {};
  if (*parsed == IPv4Address{0, 0, 0, 0}) return {true, std::nullopt};
  return {true, parsed};
}

void Monitor::Worker::TimedTick() {
  ++minuteCount;
  if (settings.intervalMinutes > minuteCount) return;
  minuteCount = 0;
  if (!settings.suspended) Check(false);
}

void Monitor::Worker::Check(bool requested) {
  Emit(events.busy, true, false);
  if (requested) LogIfEverything(startingUp ? kStartupMessage : kCheckNowMessage);
  RunCheck();
  Emit(events.busy, false, false);
}

std::optional<IPv4Address> Monitor::Worker::Retrieve() {
  const std::string tempPath = config.tempFolder + kWanIpFileName;
  for (const std::string& entry : EchoEntries(settings.echoUrls)) {
    // A stop ends the search: no further service is asked and no failure is logged.
    if (Stopping()) return std::nullopt;
    LogIfEverything(std::string(kGettingWanIpFrom) + entry);
    // Without a private temp folder the page would land in the working directory: every entry fails.
    const DownloadResult download = config.tempFolder.empty() ? DownloadResult{false, kNoTempFolder}
                                                              : platform.DownloadToFile(entry, tempPath);
    std::string why = std::string(kDownloadStep) + download.error;
    if (download) {
      const std::string page = platform.ReadFile(tempPath).value_or("");
      if (config.developerMode) Emit(events.developerMessage, page.substr(0, kPagePreviewLength));
      const PageAddress found = AddressFromPage(entry, page);
      if (found.address) {
        LogIfEverything(std::string(kGotWanIp));
        platform.DeleteFile(tempPath);
        return found.address;
      }
      why = std::string(kPageStep) + found.reason;
    }
    if (Stopping()) return std::nullopt;
    LogIfEverything(std::string(kGetWanIpFailed));
    // The log keeps its one line; developer mode names the page and why it failed.
    if (config.developerMode) Emit(events.developerMessage, kPageFailedStart + entry + ": " + why);
  }
  return std::nullopt;
}

// One retry after a pause. False when it failed too (the failure is then logged and stored as none).
bool Monitor::Worker::RetryExternal(std::optional<IPv4Address>& external, bool& externalChanged) {
  if (EchoEntries(settings.echoUrls).empty()) {
    if (!emptyListSaid) LogEvent(kEmptyListMessage);
    emptyListSaid = true;
  } else {
    Emit(events.addresses, std::string(kNoAddressText), lastInternal.Text());
    LogIfEverything(kRetryingMessage);
    platform.Sleep(kRetryPauseMs);
    if (Stopping()) return false;  // the caller abandons the check
    external = Retrieve();
    if (Stopping()) return false;
    if (external) {
      LogIfEverything(kRetrySucceededMessage);
      return true;
    }
    LogIfEverything(kRetryFailedMessage);
  }
  if (!lastExternal.IsNone()) {
    LogLine(ExternalChangeText(lastExternal.Text(), kNoAddressText));
    externalChanged = true;
  }
  return false;
}

namespace {

// An obtained address: a change is logged and asks for an update, except that an address returning
// unchanged after an outage is logged but does not by itself ask for one.
bool CompareObtained(const SeenAddress& now, const SeenAddress& last, std::optional<IPv4Address>& lastGood,
                     bool& changed) {
  bool updateNeeded = false;
  if (last.IsNone() || now.Text() != last.Text()) {
    changed = true;
    updateNeeded = !last.IsNone() || now.address != lastGood;
  }
  lastGood = now.address;
  return updateNeeded;
}

}  // namespace

void Monitor::Worker::RunCheck() {
  bool updateNeeded = false;
  bool externalChanged = false;
  bool internalChanged = false;

  std::optional<IPv4Address> external = Retrieve();
  if (Stopping()) return;  // abandoned: nothing of it is logged or stored
  // When the address table cannot be read the internal address stays as it was.
  SeenAddress internal = lastInternal;
  if (const auto table = platform.IPv4AddressTable()) {
    const std::optional<IPv4Address> lan = LanAddress(*table);
    internal = !lan                    ? SeenAddress{}
               : *lan == IPv4Address{} ? SeenAddress{true, std::nullopt}
                                       : SeenAddress{true, lan};
  }

  const bool obtained = external.has_value() || RetryExternal(external, externalChanged);
  if (Stopping()) return;
  const SeenAddress seenExternal{true, external};
  checksWithoutAddress = obtained ? 0 : checksWithoutAddress + 1;
  if (checksWithoutAddress == kChecksBeforeNotice) Notice(Episode::NoAddress, kNoticeNoAddress);
  if (obtained && episode == Episode::NoAddress)
    Notice(Episode::None, kNoticeAddressAgain + IPv4Text(*external));
  if (obtained) {
    const SeenAddress before = lastExternal;
    if (CompareObtained(seenExternal, lastExternal, lastGoodExternal, externalChanged)) updateNeeded = true;
    if (externalChanged) LogLine(ExternalChangeText(before.Text(), seenExternal.Text()));
  }
  // Losing the internal address is a change; its last good value stays.
  if (internal.IsNone()) {
    if (!lastInternal.IsNone()) internalChanged = updateNeeded = true;
  } else if (CompareObtained(internal, lastInternal, lastGoodInternal, internalChanged)) {
    updateNeeded = true;
  }
  if (internalChanged) LogLine(InternalChangeText(lastInternal.Text(), internal.Text()));
  ShowAddresses(seenExternal, internal);
  WriteIpFile(seenExternal, internal);

  const LocalDateTime now = platform.Now();
  const std::int64_t nowMinute = MinuteStamp(now);
  bool forceSend = false;
  const bool held = AutomaticUpdatesHeld(owed, settings, nowMinute);
  // The keep-alive is announced only when it can go out: with an address, and nothing held.
  if (obtained && !held && KeepAliveDue(settings, DayNumberOf(now))) {
    LogEvent(kThirtyDayMessage);
    updateNeeded = forceSend = true;
  }
  if (obtained && OwedUpdateDue(owed, settings, nowMinute)) {
    if (owed.kind == OwedKind::Refused)
      LogEvent(kSettingsChangedMessage);
    else
      LogIfEverything(kOwedMessage);
    updateNeeded = forceSend = true;
  }
  // Nothing goes out on its own with an address this check did not obtain (it would point the host
  // name at nothing), nor while a refusal stands or the provider's pause lasts.
  if (!obtained || held) forceSend = externalChanged = false;
  if (updateNeeded) UpdateStep(forceSend || externalChanged, external);

  lastExternal = seenExternal;
  lastInternal = internal;
}

void Monitor::Worker::ShowAddresses(const SeenAddress& external, const SeenAddress& internal) {
  Emit(events.addresses, external.Text(), internal.Text());
  std::string tip = kExternalTip + external.Text();
  if (!internal.Text().empty()) tip += std::string("\r\n") + kInternalTip + internal.Text();
  Emit(events.trayTip, tip);
}

}  // namespace quorvane
