#include "ddns/modHTTP.h"

#include <string_view>

#include "app/Program.h"
#include "app/Version.h"
#include "log/ChangeLog.h"

namespace quorvane {

namespace {

constexpr std::string_view kHostHeader = "Host: ";
constexpr std::string_view kAuthorizationHeader = "Authorization: Basic ";
constexpr std::string_view kUserAgentHeader = "User-Agent: ";
constexpr std::string_view kFormContentType = "Content-Type: application/x-www-form-urlencoded";
constexpr std::string_view kOpenFailed = "Error: InternetOpen failed";
constexpr std::string_view kConnectFailed = "Error: InternetConnect failed";
constexpr std::string_view kOpenRequestFailed = "Error: HttpOpenRequest failed";
constexpr std::string_view kAddHeadersFailed = "Error: HttpAddRequestHeaders failed";
constexpr std::string_view kQueryInfoFailed = "Error: HttpQueryInfo failed";
constexpr std::string_view kSendRequestFailed = "HttpSendRequest failed";

bool MustEscape(unsigned char byte) {
  return byte <= 0x20 || byte >= 0x7F || byte == '#';
}

// The encoder breaks its output into lines; a header value must stay on one line.
std::string WithoutLineBreaks(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') result += c;
  }
  return result;
}

// The transport's own words go with our message (on a second line of the box, after ": " in the
// log), controls blanked so that they cannot start a line of their own.
std::string WithTransportText(std::string_view message, const std::string& transportText, const char* joint) {
  std::string text(message);
  if (transportText.empty()) return text;
  text += joint;
  for (char c : transportText) text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
  return text;
}

// The developer-mode message of a step that failed before anything was sent.
std::string_view FailedStepMessage(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::Open:
      return kOpenFailed;
    case HttpFailure::Connect:
      return kConnectFailed;
    case HttpFailure::OpenRequest:
      return kOpenRequestFailed;
    default:
      return kAddHeadersFailed;
  }
}

void ShowDeveloperMessage(Program& program, std::string_view text, const std::string& transportText = "") {
  if (program.state.debugMode)
    program.desktop.MessageBox(WithTransportText(text, transportText, "\n"), kVersion.productName);
}

}  // namespace

std::string EscapeRequestTarget(const std::string& target) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(target.size());
  for (char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (MustEscape(byte)) {
      result += '%';
      result += kHexDigits[byte >> 4];
      result += kHexDigits[byte & 0x0F];
    } else {
      result += c;
    }
  }
  return result;
}

std::string HttpRequest(Program& program, const std::string& verb, const std::string& host,
                        const std::string& path, bool secure, const std::string& userName,
                        const std::string& password) {
  // Without a host there is nothing to open a request on.
  if (host.empty()) {
    ShowDeveloperMessage(program, kOpenRequestFailed);
    return {};
  }

  HttpTransportRequest request;
  request.verb = verb;
  request.host = host;
  // Escaping is idempotent (its output is printable ASCII, which passes unchanged), so a target that
  // the caller escaped already goes out exactly as the caller showed it.
  request.target = EscapeRequestTarget(path);
  request.secure = secure;
  request.headerLines.push_back(std::string(kHostHeader) + host);
  // The credentials travel in this one header only: never in the target, never in a log line.
  if (!userName.empty()) {
    request.headerLines.push_back(std::string(kAuthorizationHeader) +
                                  WithoutLineBreaks(program.base64.Base64Encode(userName + ":" + password)));
  }
  request.headerLines.push_back(std::string(kUserAgentHeader) + program.state.userAgent);

  bool sendable = true;
  if (verb == kVerbPost) {
    request.headerLines.emplace_back(kFormContentType);
    const std::size_t question = request.target.find('?');
    request.body = question == std::string::npos ? request.target : request.target.substr(question + 1);
  } else if (verb != kVerbGet) {
    sendable = false;
  }

  HttpTransportResult result;
  if (sendable) {
    result = program.platform.SendHttpRequest(request);
  } else {
    result.failure = HttpFailure::Send;  // a verb we do not speak: nothing goes out
  }
  if (result.failure == HttpFailure::None) {
    // The answer's headers arrived; its length is not needed, the body is read to its end.
    if (!result.hasContentLength) ShowDeveloperMessage(program, kQueryInfoFailed);
  } else if (result.failure == HttpFailure::Send || result.failure == HttpFailure::Bounds) {
    if (program.state.debugMode) LogEvent(program, WithTransportText(kSendRequestFailed, result.error, ": "));
  } else {
    ShowDeveloperMessage(program, FailedStepMessage(result.failure), result.error);
  }
  // The provider's verdict is in the body whatever the status (a 401 still says "badauth"). An answer
  // the peer broke off counts for what arrived of it; one that our own time or size bounds cut is
  // never taken for an answer.
  return result.failure == HttpFailure::None ? result.body : std::string();
}

}  // namespace quorvane
