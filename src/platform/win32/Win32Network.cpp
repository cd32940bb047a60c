// Downloads and update requests on WinInet, with the same bounds as on Linux.
//
// Downloads use WinInet rather than URLDownloadToFileA: the moniker follows any number of redirects to
// any protocol, goes through the download cache and has no size or total-time bound, while WinInet lets
// us refuse all of that and hold every bound ourselves.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinInetExchange.h"

namespace quorvane {

namespace {

// No cache, no cookies, no dialogs, no automatic redirects and no automatic authentication (which
// would resend cached credentials). Certificate checks are never relaxed.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_AUTH;

// Status, Content-Length and body of the answer on the exchange's request handle, read within the
// exchange's bounds and at most `limit` bytes.
HttpTransportResult ReadAnswer(Exchange& exchange, std::size_t limit) {
  HttpTransportResult result;
  HINTERNET request = exchange.Handle(2);
  DWORD status = 0, size = sizeof status;
  if (::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    result.status = static_cast<int>(status);
  char lengthText[32] = {};
  size = sizeof lengthText - 1;
  result.hasContentLength = ::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, lengthText, &size, nullptr);
  const unsigned long long declared = result.hasContentLength ? std::strtoull(lengthText, nullptr, 10) : 0;
  if (declared > limit) {
    result.failure = HttpFailure::Bounds;
    result.error = "answer larger than the size limit";
    return result;
  }
  char buffer[4096];
  for (;;) {
    exchange.LimitTimeouts();
    DWORD got = 0;
    const bool ok = ::InternetReadFile(request, buffer, sizeof buffer, &got);
    const DWORD code = ok ? 0 : ::GetLastError();
    if (exchange.Ended() || (!ok && code == ERROR_INTERNET_TIMEOUT)) {
      result.failure = HttpFailure::Bounds;
      result.error = "no complete answer within the time limit";
      return result;
    }
    if (!ok) {  // the peer broke the connection off: keep what arrived
      result.error = DescribeWinInetError(code);
      return result;
    }
    if (got == 0) break;
    if (result.body.size() + got > limit) {
      result.failure = HttpFailure::Bounds;
      result.error = "answer larger than the size limit";
      return result;
    }
    result.body.append(buffer, got);
  }
  if (result.hasContentLength && result.body.size() < declared) {
    result.error = "connection closed after " + std::to_string(result.body.size()) + " of " +
                   std::to_string(declared) + " bytes";
    return result;
  }
  result.completed = true;
  return result;
}

// The failure of a call that returned false, by its error code and the exchange's state.
HttpTransportResult Failed(Exchange& exchange, HttpFailure stage, DWORD code) {
  HttpTransportResult result;
  result.error = DescribeWinInetError(code);
  result.failure = exchange.Ended() || code == ERROR_INTERNET_TIMEOUT   ? HttpFailure::Bounds
                   : stage == HttpFailure::Send && IsConnectError(code) ? HttpFailure::Connect
                                                                        : stage;
  return result;
}

// A host name goes to WinInet as it is: nothing that could change its meaning may be in it.
bool IsPlainHost(const std::string& host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '.' || c == '-' || c == '_';
  });
}

bool HasControlByte(const std::string& text, bool blanksToo) {
  return std::any_of(text.begin(), text.end(), [&](unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7f || (blanksToo && (c == ' ' || c == '\t' || c >= 0x80));
  });
}

std::string HeaderValue(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    if (line.size() > name.size() && line[name.size()] == ':' &&
        ::_strnicmp(line.c_str(), name.c_str(), name.size()) == 0) {
      const std::size_t start = line.find_first_not_of(' ', name.size() + 1);
      return start == std::string::npos ? "" : line.substr(start);
    }
  }
  return "";
}

// Opens a request on a new connection. The time-outs go on the request handle: WinInet takes its
// receive and send time-outs only from there (Wine ignores them on the root handle).
bool OpenRequest(Exchange& exchange, const std::string& host, INTERNET_PORT port, bool secure,
                 const std::string& verb, const std::string& target, const char* version) {
  return exchange.Adopt(1, ::InternetConnectA(exchange.Handle(0), host.c_str(), port, nullptr, nullptr,
                                              INTERNET_SERVICE_HTTP, 0, 0)) &&
         exchange.Adopt(2,
                        ::HttpOpenRequestA(exchange.Handle(1), verb.c_str(), target.c_str(), version, nullptr,
                                           nullptr, kRequestFlags | (secure ? INTERNET_FLAG_SECURE : 0), 0));
}

// Sends a download's GET for an http or https URL; false for any other URL.
bool SendGet(Exchange& exchange, const std::string& url) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH] = {}, path[INTERNET_MAX_URL_LENGTH] = {},
       extra[INTERNET_MAX_URL_LENGTH] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = sizeof extra;
  if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
    return false;
  const std::string target = std::string(path[0] == '\0' ? "/" : path) + extra;
  return OpenRequest(exchange, host, parts.nPort, parts.nScheme == INTERNET_SCHEME_HTTPS, "GET", target,
                     nullptr) &&
         (exchange.LimitTimeouts(), ::HttpSendRequestA(exchange.Handle(2), nullptr, 0, nullptr, 0));
}

}  // namespace

DownloadResult Win32Platform::DownloadToFile(const std::string& url, const std::string& path) {
  if (url.empty() || HasControlByte(url, true)) return {false, "no URL, or a blank or control in it"};
  const HttpTransportResult answer =
      RunBounded(*this, kDownloadConnectTimeoutMs, kDownloadTotalTimeoutMs, [url](Exchange& exchange) {
        HttpTransportResult failed;
        if (!exchange.Adopt(0, ::InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)))
          return failed;
        std::string location = url;
        for (int redirects = 0;; ++redirects) {
          // Only HTTP and HTTPS, also after a redirect: no file:// or other protocol a page could name.
          if (!SendGet(exchange, location)) return failed;
          HttpTransportResult answer = ReadAnswer(exchange, kDownloadMaxBytes);
          if (answer.status < 300 || answer.status >= 400 || answer.status == 304) return answer;
          char next[INTERNET_MAX_URL_LENGTH] = {}, combined[INTERNET_MAX_URL_LENGTH] = {};
          DWORD size = sizeof next - 1, combinedSize = sizeof combined;
          if (redirects == kDownloadMaxRedirects ||
              !::HttpQueryInfoA(exchange.Handle(2), HTTP_QUERY_LOCATION, next, &size, nullptr) ||
              !::InternetCombineUrlA(location.c_str(), next, combined, &combinedSize, ICU_NO_ENCODE))
            return failed;
          location = combined;
        }
      });
  if (!answer.completed || answer.status == 0)
    return {false, answer.error.empty() ? "no answer (connection, redirect or time limit)" : answer.error};
  if (answer.status >= 400) return {false, "HTTP status " + std::to_string(answer.status)};
  if (!ReplaceFile(path, answer.body)) return {false, "the page could not be saved to " + path};
  return {true, {}};
}

HttpTransportResult Win32Platform::SendHttpRequest(const HttpTransportRequest& request) {
  HttpTransportResult refused;
  refused.failure = HttpFailure::OpenRequest;
  if (request.verb != "GET" && request.verb != "POST") {
    refused.error = "unsupported verb \"" + request.verb + "\"";
    return refused;
  }
  if (!IsPlainHost(request.host)) {
    refused.error = "invalid host name \"" + request.host + "\"";
    return refused;
  }
  if (HasControlByte(request.target, true)) {
    refused.error = "request target holds a blank, a control or a non-ASCII byte";
    return refused;
  }
  if (std::any_of(request.headerLines.begin(), request.headerLines.end(),
                  [](const std::string& line) { return HasControlByte(line, false); })) {
    refused.failure = HttpFailure::AddHeaders;
    refused.error = "a header line holds a control character";
    return refused;
  }

  return RunBounded(*this, kHttpConnectTimeoutMs, kHttpTotalTimeoutMs, [copy = request](Exchange& exchange) {
    // WinInet sends the agent given here; our own User-Agent line then replaces it, so it goes once.
    const std::string agent = HeaderValue(copy.headerLines, "User-Agent");
    if (!exchange.Adopt(0, ::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)))
      return Failed(exchange, HttpFailure::Open, exchange.LastError());
    // No credentials go to InternetConnectA: WinInet would first try without them, then cache them for
    // the host. The caller's Authorization line is the only one sent.
    const INTERNET_PORT port = copy.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    const std::string target = copy.target.empty() ? "/" : copy.target;
    if (!OpenRequest(exchange, copy.host, port, copy.secure, copy.verb, target, "HTTP/1.0"))
      return Failed(exchange, exchange.Handle(1) == nullptr ? HttpFailure::Connect : HttpFailure::OpenRequest,
                    exchange.LastError());
    // Add-or-replace: our Host and User-Agent lines take the place of those WinInet makes itself.
    for (const std::string& line : copy.headerLines) {
      const std::string withEnd = line + "\r\n";
      if (!::HttpAddRequestHeadersA(exchange.Handle(2), withEnd.c_str(), static_cast<DWORD>(withEnd.size()),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
        return Failed(exchange, HttpFailure::AddHeaders, ::GetLastError());
    }
    exchange.LimitTimeouts();
    void* body = copy.body.empty() ? nullptr : const_cast<char*>(copy.body.data());
    if (!::HttpSendRequestA(exchange.Handle(2), nullptr, 0, body, static_cast<DWORD>(copy.body.size())))
      return Failed(exchange, HttpFailure::Send, ::GetLastError());
    return ReadAnswer(exchange, kHttpMaxBytes);
  });
}

}  // namespace quorvane
