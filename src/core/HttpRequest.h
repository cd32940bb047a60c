#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace quorvane {

inline constexpr std::string_view kVerbGet = "GET";
inline constexpr std::string_view kVerbPost = "POST";

// One request as the update step asks for it.
struct HttpRequestInput {
  std::string verb{kVerbGet};
  std::string host;
  std::string target;  // path with query, escaped by EscapeRequestTarget before sending
  bool secure = true;
  bool basicAuth = true;  // send "Authorization: Basic" (only when the user name is not empty)
  std::string userName;
  std::string password;
  std::string userAgent;
};

// What came back. In developer mode the caller shows developerMessage in a message box and writes
// developerLogLine to the change log (each only when not empty).
struct HttpAnswer {
  std::optional<std::string> body;  // the answer body (any status); nullopt when no answer arrived
  int status = 0;                   // HTTP status, 0 when none arrived
  std::string developerMessage;     // a step that failed ("Error: HttpOpenRequest failed"...)
  std::string developerLogLine;     // "HttpSendRequest failed: <the transport's words>"
};

// Composes the request (Host, Basic authorization, User-Agent; the form body for POST) and sends it
// through the network. An answer cut by our own bounds or a stop is no answer.
HttpAnswer SendHttpRequest(Network& network, const HttpRequestInput& input);

// The request as the transport gets it (no network involved), for tests and the fuzz targets.
HttpTransportRequest ComposeHttpRequest(const HttpRequestInput& input);

// The request target with every byte that cannot stand in one percent-encoded (controls, space,
// DEL, "#" and bytes 0x80-0xFF); printable ASCII is left as it is. Idempotent.
std::string EscapeRequestTarget(std::string_view target);

}  // namespace quorvane
