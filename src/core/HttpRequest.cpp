#include "core/HttpRequest.h"

#include "core/Base64.h"

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
constexpr std::string_view kSendRequestFailed = "HttpSendRequest failed";

// The encoder breaks its output into lines; a header value must stay on one line.
std::string WithoutLineBreaks(const std::string& text) {
  std::string result;
  for (char c : text)
    if (c != '\r' && c != '\n') result += c;
  return result;
}

// The transport's own words go with our message, controls blanked so that they cannot start a line.
std::string WithTransportText(std::string_view message, const std::string& transportText,
                              std::string_view joint) {
  std::string text(message);
  if (transportText.empty()) return text;
  text += joint;
  for (char c : transportText) text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
  return text;
}

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

}  // namespace

std::string EscapeRequestTarget(std::string_view target) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(target.size());
  for (char c : target) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || byte == '#') {
      result += '%';
      result += kHexDigits[byte >> 4];
      result += kHexDigits[byte & 0x0F];
    } else {
      result += c;
    }
  }
  return result;
}

HttpTransportRequest ComposeHttpRequest(const HttpRequestInput& input) {
  HttpTransportRequest request;
  request.verb = input.verb;
  request.host = input.host;
  request.target = EscapeRequestTarget(input.target);
  request.secure = input.secure;
  request.headerLines.push_back(std::string(kHostHeader) + input.host);
  // The credentials travel in this one header only: never in the target, never in a log line.
  if (input.basicAuth && !input.userName.empty())
    request.headerLines.push_back(std::string(kAuthorizationHeader) +
                                  WithoutLineBreaks(Base64Encode(input.userName + ":" + input.password)));
  request.headerLines.push_back(std::string(kUserAgentHeader) + input.userAgent);
  if (input.verb == kVerbPost) {
    request.headerLines.emplace_back(kFormContentType);
    const std::size_t question = request.target.find('?');
    request.body = question == std::string::npos ? request.target : request.target.substr(question + 1);
  }
  return request;
}

HttpAnswer SendHttpRequest(Network& network, const HttpRequestInput& input) {
  HttpAnswer answer;
  // Without a host there is nothing to open a request on.
  if (input.host.empty()) {
    answer.developerMessage = kOpenRequestFailed;
    return answer;
  }
  if (input.verb != kVerbGet && input.verb != kVerbPost) {
    answer.developerLogLine = kSendRequestFailed;  // a verb we do not speak: nothing goes out
    return answer;
  }
  const HttpTransportResult result = network.SendHttpRequest(ComposeHttpRequest(input));
  if (result.failure == HttpFailure::None) {
    // An answer the peer broke off counts for what arrived of it.
    answer.body = result.body;
    answer.status = result.status;
  } else if (result.failure == HttpFailure::Send || result.failure == HttpFailure::Bounds) {
    answer.developerLogLine = WithTransportText(kSendRequestFailed, result.error, ": ");
  } else {
    answer.developerMessage = WithTransportText(FailedStepMessage(result.failure), result.error, "\n");
  }
  return answer;
}

}  // namespace quorvane
