// The update step: the request for the settings' service, sent with one retry on no answer, and the
// provider's answer shown, logged and turned into what is owed next.

#include "app/MonitorState.h"
#include "core/HttpRequest.h"
#include "core/IPv4.h"
#include "core/Providers.h"
#include "platform/Calendar.h"

namespace quorvane {

namespace {

constexpr const char* kNoAddressToSend =
    "DDNS update not sent: the external IP address has not been retrieved.";
constexpr const char* kUnknownService = "The DDNS service \"";
constexpr const char* kKnownServices = "\" is not known. Known services: ";
constexpr int kMaxAttempts = 2;
constexpr const char* kNoticeUpdateFailed = "The DNS entry could not be updated for ";
constexpr const char* kNoticePointsTo = " now points to ";

Rgb ColourOf(StatusColour colour) {
  switch (colour) {
    case StatusColour::Green:
      return kGreen;
    case StatusColour::Yellow:
      return kYellow;
    case StatusColour::Red:
      return kRed;
  }
  return kGreen;
}

// An answer arrived: a body, or an error status that speaks for itself without one.
bool Answered(const HttpAnswer& answer) {
  return answer.body &&
         (!answer.body->empty() || (answer.status != 0 && (answer.status < 200 || answer.status >= 300)));
}

}  // namespace

void Monitor::Worker::ShowStatus(const std::string& text, StatusColour colour) {
  Emit(events.status, text, ColourOf(colour), statusTip);
}

void Monitor::Worker::UpdateStep(bool send, const std::optional<IPv4Address>& address) {
  if (!send || !settings.updateEnabled) return;
  if (!address) {
    LogEvent(kNoAddressToSend);
    return;
  }
  Emit(events.busy, true, true);
  SendUpdate(*address);
  Emit(events.busy, false, false);
}

void Monitor::Worker::SendUpdate(const IPv4Address& address) {
  lastUpdateFailed = false;
  const UpdateRequest request = BuildUpdateRequest(settings, address);
  if (!request.known && !unknownServiceSaid) {
    unknownServiceSaid = true;
    LogEvent(kUnknownService + settings.service + kKnownServices + ProviderNameList());
  }
  Emit(events.ddnsLog, "\r\n" + std::string(kDdnsLogPrefix) + request.host + request.shownTarget + "\r\n");
  LogIfEverything(std::string(kUpdateStringPrefix) + request.shownTarget);

  // A stop ends the update before an answer came: it is owed, and nothing is reported. An update owed
  // already stays as it was: a standing refusal must not become an automatic retry.
  auto oweInterrupted = [this] {
    if (owed.kind == OwedKind::None) SetOwed(OwedUpdate{OwedKind::Retry, 0, 0});
    lastUpdateFailed = true;
  };
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    if (Stopping()) return oweInterrupted();
    ShowStatus(std::string(kPerformingUpdate), StatusColour::Green);
    const HttpAnswer answer =
        SendHttpRequest(platform, HttpRequestInput{std::string(kVerbGet), request.host, request.target,
                                                   request.secure, request.basicAuth, settings.userName,
                                                   settings.password, config.userAgent});
    if (config.developerMode) {
      if (!answer.developerMessage.empty()) Emit(events.developerMessage, answer.developerMessage);
      if (!answer.developerLogLine.empty()) LogEvent(answer.developerLogLine);
    }
    if (Answered(answer)) {
      lastUpdateFailed = !ReportAnswer(*answer.body, answer.status);
      if (!lastUpdateFailed && episode == Episode::UpdateFailed)
        Notice(Episode::None, settings.hostNames + kNoticePointsTo + IPv4Text(address));
      return;
    }
    if (Stopping()) return oweInterrupted();
    LogEvent(std::string(kUpdateFailed));
    const StatusText failure = FailureStatus(platform.Now());
    ShowStatus(failure.text, failure.colour);
    if (attempt == kMaxAttempts) {
      lastUpdateFailed = true;
      SetOwed(OwedUpdate{OwedKind::Retry, 0, 0});
      Announce(failure, kRetryNextCheckText);
    }
  }
}

// A provider answered: record the date, show and log the verdict. True when it was a success.
bool Monitor::Worker::ReportAnswer(const std::string& body, int status) {
  const LocalDateTime now = platform.Now();
  settings.lastUpdateDay = DayNumberOf(now);
  statusTip = std::string(kResponseTipPrefix) + body;
  LogEvent(std::string(kSentPrefix) + body);
  const AnswerJudgement judgement = JudgeAnswer(body, status, settings.hostNames);
  const StatusText shown = AnswerStatus(judgement, body, now);
  ShowStatus(shown.text, shown.colour);
  for (const std::string& explanation : judgement.explanations) LogEvent(explanation);
  // The message promises that updates stop: they are switched off, so a wrong system name is not
  // sent again and again.
  if (judgement.disablesUpdates) settings.updateEnabled = false;
  Emit(events.settingsChanged, settings);
  switch (judgement.verdict) {
    case Verdict::Success:
      SetOwed(OwedUpdate{});
      return true;
    case Verdict::Refused:
      SetOwed(OwedUpdate{OwedKind::Refused, 0, ProviderFingerprint(settings)});
      break;
    case Verdict::RetryNextCheck:
      SetOwed(OwedUpdate{OwedKind::Retry, 0, 0});
      break;
    case Verdict::RetryAfterWait:
      SetOwed(OwedUpdate{OwedKind::Retry, MinuteStamp(now) + kServerTroubleWaitMinutes, 0});
      break;
  }
  Announce(shown, OutcomeText(judgement.verdict));
  return false;
}

// The status line and the change log say what becomes of an update that did not succeed; a desktop
// hears of it once per episode.
void Monitor::Worker::Announce(const StatusText& status, std::string_view outcome) {
  ShowStatus(status.text + std::string(kOutcomeSeparator) + std::string(outcome), status.colour);
  LogEvent(std::string(outcome));
  Notice(Episode::UpdateFailed,
         kNoticeUpdateFailed + settings.hostNames + ": " + status.text + ". " + std::string(outcome));
}

// A notice when an episode starts, and one when it ends (Episode::None).
void Monitor::Worker::Notice(Episode now, const std::string& text) {
  if (now == episode || (now != Episode::None && episode != Episode::None)) return;
  episode = now;
  if (settings.notifyProblems) Emit(events.notice, text);
}

}  // namespace quorvane
