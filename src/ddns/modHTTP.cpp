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
constexpr std::string_view kOpenRequestFailed = "Error: HttpOpenRequest failed";
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

void ShowDeveloperMessage(Program& program, std::string_view text) {
  if (program.state.debugMode) program.desktop.MessageBox(std::string(text), kVersion.productName);
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
  if (sendable) result = program.platform.SendHttpRequest(request);
  if (!result.completed) {
    // Timeouts, refused connections, failed certificate checks and oversized answers all end here;
    // a part of an answer is never taken for the whole.
    if (program.state.debugMode) LogEvent(program, std::string(kSendRequestFailed));
    return {};
  }
  // The provider's verdict is in the body whatever the status (a 401 still says "badauth").
  return result.body;
}

}  // namespace quorvane
