#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace quorvane {

// Texts of the update step (status line, change log, DDNS log).
inline constexpr std::string_view kDdnsLogPrefix = "DDNS Update: ";
inline constexpr std::string_view kUpdateStringPrefix = "DDNS update string: ";
inline constexpr std::string_view kPerformingUpdate = "Performing DDNS Update...";
inline constexpr std::string_view kResponseTipPrefix = "DDNS server response: ";
inline constexpr std::string_view kSentPrefix = "DDNS Update Sent. Server Response: ";
inline constexpr std::string_view kUpdateFailed = "DDNS Update Failed.";
inline constexpr std::string_view kRetryNextCheckText = "DDNS update will be retried at the next check.";
inline constexpr std::string_view kRetryAfterWaitText =
    "DDNS update will be retried at the first check after 30 minutes.";
inline constexpr std::string_view kPausedAfterRefusalText =
    "No DDNS update will be sent automatically until the service, user name, password, host name(s) or "
    "system is changed.";

// What an answer asks of us, from best to worst. Repeating a refused update gets accounts blocked; a
// temporary failure is sent again, after a pause where the provider asks for one.
enum class Verdict { Success, RetryNextCheck, RetryAfterWait, Refused };

enum class StatusColour { Green, Yellow, Red };

// The judgement of one answer.
struct AnswerJudgement {
  Verdict verdict = Verdict::RetryAfterWait;  // the worst of all host lines
  bool disablesUpdates = false;               // "badsys": updates are switched off
  std::string failingHost;                    // several hosts: the first host whose line failed
  std::string failingLine;                    // and its answer line
  std::vector<std::string> explanations;      // change-log lines explaining the codes, in order
};

// Judges a provider's answer (dyndns2 return codes at the start of a line; "good"/"nochg" only with
// an HTTP 2xx status). hostNames is the settings' host-name list: with several hosts and as many
// answer lines, each line is that host's verdict and the update succeeds only when all do.
AnswerJudgement JudgeAnswer(std::string_view body, int httpStatus, std::string_view hostNames);

// The status line after an answer, a failed attempt, and its colour.
struct StatusText {
  std::string text;
  StatusColour colour = StatusColour::Green;
};
StatusText AnswerStatus(const AnswerJudgement& judgement, std::string_view body, const LocalDateTime& now);
StatusText FailureStatus(const LocalDateTime& now);
// What becomes of an update that did not succeed (the change log and " - " after the status line);
// empty for a success.
std::string_view OutcomeText(Verdict verdict);
inline constexpr std::string_view kOutcomeSeparator = " - ";

}  // namespace quorvane
