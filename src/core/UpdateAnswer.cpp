#include "core/UpdateAnswer.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/Providers.h"
#include "platform/Calendar.h"

namespace quorvane {

namespace {

constexpr std::string_view kSuccessPrefix = "DDNS Update Success @ ";
constexpr std::string_view kErrorPrefix = "DDNS Error: ";
constexpr std::string_view kErrorDateSeparator = " @ ";
constexpr std::string_view kFailurePrefix = "DDNS Update Failure @ ";
constexpr std::string_view kHostSeparator = ": ";
constexpr std::array<std::string_view, 2> kSuccessCodes{"good", "nochg"};
constexpr int kUnauthorized = 401;
constexpr int kForbidden = 403;

struct ReturnCode {
  std::string_view code;
  std::string_view message;
  Verdict verdict = Verdict::Refused;
};

// Searched in this order; the first code found decides an answer's explanation.
constexpr std::array<ReturnCode, 11> kReturnCodes{{
    {"badsys",
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
constexpr std::string_view kDisablingCode = "badsys";

// The answer's lines, each without its CR; the line end after the last line opens no new line.
std::vector<std::string_view> AnswerLines(std::string_view body) {
  std::vector<std::string_view> lines;
  std::size_t from = 0;
  while (from < body.size()) {
    const std::size_t end = std::min(body.find('\n', from), body.size());
    std::string_view line = body.substr(from, end - from);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

// dyndns2 writes a code at the start of a line, followed by a blank or the end of the line.
bool LineStartsWithCode(std::string_view line, std::string_view code) {
  return line.starts_with(code) && (line.size() == code.size() || line[code.size()] == ' ');
}

bool AnyLineStartsWith(const std::vector<std::string_view>& lines, std::string_view code) {
  return std::any_of(lines.begin(), lines.end(),
                     [code](std::string_view l) { return LineStartsWithCode(l, code); });
}

bool IsSuccessLine(std::string_view line) {
  return std::any_of(kSuccessCodes.begin(), kSuccessCodes.end(),
                     [line](std::string_view code) { return LineStartsWithCode(line, code); });
}

struct LinesVerdict {
  Verdict verdict = Verdict::RetryAfterWait;
  const ReturnCode* code = nullptr;
};

// The rule for one answer: success first (only with a 2xx status), then the codes in table order;
// without a code a 2xx answer is taken for trouble on the provider's side, a 401/403 for a refusal
// and any other status for a transient failure.
LinesVerdict JudgeLines(const std::vector<std::string_view>& lines, int status) {
  const bool ok = status >= 200 && status < 300;
  if (ok && std::any_of(kSuccessCodes.begin(), kSuccessCodes.end(),
                        [&lines](std::string_view code) { return AnyLineStartsWith(lines, code); }))
    return {Verdict::Success, nullptr};
  for (const ReturnCode& code : kReturnCodes)
    if (AnyLineStartsWith(lines, code.code)) return {code.verdict, &code};
  if (ok) return {Verdict::RetryAfterWait, nullptr};
  if (status == kUnauthorized || status == kForbidden) return {Verdict::Refused, nullptr};
  return {Verdict::RetryNextCheck, nullptr};
}

void Take(AnswerJudgement& judgement, const LinesVerdict& lines, std::string_view host,
          std::string_view line) {
  if (lines.code) {
    judgement.explanations.push_back(host.empty() ? std::string(lines.code->message)
                                                  : std::string(host) + std::string(kHostSeparator) +
                                                        std::string(lines.code->message));
    if (lines.code->code == kDisablingCode) judgement.disablesUpdates = true;
  }
  if (lines.verdict > judgement.verdict) {
    judgement.verdict = lines.verdict;
    judgement.failingHost = host;
    judgement.failingLine = line;
  }
}

std::string Stamp(const LocalDateTime& now) {
  return FormatLogDate(now) + " " + FormatLogTime(now);
}

}  // namespace

AnswerJudgement JudgeAnswer(std::string_view body, int httpStatus, std::string_view hostNames) {
  const std::vector<std::string_view> lines = AnswerLines(body);
  const std::vector<std::string> hosts = SplitHostNames(hostNames);
  AnswerJudgement judgement;
  judgement.verdict = Verdict::Success;
  if (hosts.size() > 1 && lines.size() == hosts.size()) {
    // One line per host, in the order of the request.
    for (std::size_t i = 0; i < lines.size(); ++i)
      Take(judgement, JudgeLines({lines[i]}, httpStatus), hosts[i], lines[i]);
    return judgement;
  }
  LinesVerdict whole = JudgeLines(lines, httpStatus);
  // Several hosts but not one line each: a success needs a line per host, every one saying so.
  if (hosts.size() > 1 && whole.verdict == Verdict::Success &&
      (lines.size() < hosts.size() || !std::all_of(lines.begin(), lines.end(), IsSuccessLine)))
    whole.verdict = Verdict::RetryAfterWait;
  Take(judgement, whole, {}, body);
  return judgement;
}

StatusText AnswerStatus(const AnswerJudgement& judgement, std::string_view body, const LocalDateTime& now) {
  if (judgement.verdict == Verdict::Success)
    return {std::string(kSuccessPrefix) + Stamp(now), StatusColour::Green};
  const std::string what = judgement.failingHost.empty()
                               ? std::string(body)
                               : judgement.failingHost + std::string(kHostSeparator) + judgement.failingLine;
  return {std::string(kErrorPrefix) + what + std::string(kErrorDateSeparator) + Stamp(now),
          StatusColour::Yellow};
}

StatusText FailureStatus(const LocalDateTime& now) {
  return {std::string(kFailurePrefix) + Stamp(now), StatusColour::Red};
}

std::string_view OutcomeText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Success:
      return {};
    case Verdict::RetryNextCheck:
      return kRetryNextCheckText;
    case Verdict::RetryAfterWait:
      return kRetryAfterWaitText;
    case Verdict::Refused:
      return kPausedAfterRefusalText;
  }
  return {};
}

}  // namespace quorvane
