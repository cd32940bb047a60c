// Downloads and update requests on WinInet, with the same bounds as on Linux.
//
// Downloads use WinInet rather than URLDownloadToFileA: the moniker follows any number of redirects to
// any protocol, goes through the download cache and has no size or total-time bound, while WinInet lets
// us refuse all of that and hold every bound ourselves.
#include <windows.h>
#undef DeleteFile
#undef ReplaceFile
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win32/Win32Platform.h"

namespace quorvane {

namespace {

using Clock = std::chrono::steady_clock;

// No cache, no cookies, no dialogs, no automatic redirects and no automatic authentication (which
// would resend cached credentials). Certificate checks are never relaxed.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_AUTH;

std::string DescribeError(DWORD code) {
  static const std::pair<DWORD, const char*> kNames[] = {
      {ERROR_INTERNET_TIMEOUT, "ERROR_INTERNET_TIMEOUT"},
      {ERROR_INTERNET_NAME_NOT_RESOLVED, "ERROR_INTERNET_NAME_NOT_RESOLVED"},
      {ERROR_INTERNET_OPERATION_CANCELLED, "ERROR_INTERNET_OPERATION_CANCELLED"},
      {ERROR_INTERNET_INVALID_URL, "ERROR_INTERNET_INVALID_URL"},
      {ERROR_INTERNET_UNRECOGNIZED_SCHEME, "ERROR_INTERNET_UNRECOGNIZED_SCHEME"},
      {ERROR_INTERNET_CANNOT_CONNECT, "ERROR_INTERNET_CANNOT_CONNECT"},
      {ERROR_INTERNET_CONNECTION_ABORTED, "ERROR_INTERNET_CONNECTION_ABORTED"},
      {ERROR_INTERNET_CONNECTION_RESET, "ERROR_INTERNET_CONNECTION_RESET"},
      {ERROR_INTERNET_SEC_CERT_DATE_INVALID, "ERROR_INTERNET_SEC_CERT_DATE_INVALID"},
      {ERROR_INTERNET_SEC_CERT_CN_INVALID, "ERROR_INTERNET_SEC_CERT_CN_INVALID"},
      {ERROR_INTERNET_INVALID_CA, "ERROR_INTERNET_INVALID_CA"},
      {ERROR_INTERNET_SEC_CERT_REV_FAILED, "ERROR_INTERNET_SEC_CERT_REV_FAILED"},
      {ERROR_INTERNET_SEC_INVALID_CERT, "ERROR_INTERNET_SEC_INVALID_CERT"},
      {ERROR_INTERNET_SECURITY_CHANNEL_ERROR, "ERROR_INTERNET_SECURITY_CHANNEL_ERROR"},
      {ERROR_HTTP_INVALID_SERVER_RESPONSE, "ERROR_HTTP_INVALID_SERVER_RESPONSE"},
      {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
  };
  std::string text = "WinInet error " + std::to_string(code);
  for (const auto& [number, name] : kNames)
    if (number == code) text += std::string(" (") + name + ")";
  return text;
}

// Errors that mean no usable connection came about: name lookup, connecting, the TLS handshake.
bool IsConnectError(DWORD code) {
  return code == ERROR_INTERNET_NAME_NOT_RESOLVED || code == ERROR_INTERNET_CANNOT_CONNECT ||
         code == ERROR_INTERNET_SECURITY_CHANNEL_ERROR || code == ERROR_INTERNET_INVALID_CA ||
         (code >= ERROR_INTERNET_SEC_CERT_DATE_INVALID && code <= ERROR_INTERNET_SEC_CERT_CN_INVALID) ||
         code == ERROR_INTERNET_SEC_CERT_REV_FAILED || code == ERROR_INTERNET_SEC_INVALID_CERT ||
         code == ERROR_INTERNET_SEC_CERT_ERRORS || code == ERROR_INTERNET_SEC_CERT_NO_REV ||
         code == ERROR_INTERNET_SEC_CERT_REVOKED;
}

// One exchange's WinInet handles and its deadline. WinInet's own time-outs bound single operations
// only; each is cut to the time left before every blocking call, and Abort closes the handles, which
// makes a blocking call return where WinInet allows it (Windows does, Wine waits for the time-out).
class Exchange {
 public:
  Exchange(DWORD connectMs, DWORD totalMs)
      : connectMs(connectMs), deadline(Clock::now() + std::chrono::milliseconds(totalMs)) {}
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;
  ~Exchange() { Abort(); }

  // Takes ownership of a new handle at one level (0 root, 1 connection, 2 request). False when the
  // handle is null or the exchange was aborted.
  bool Adopt(int level, HINTERNET handle) {
    const DWORD code = ::GetLastError();  // before anything here can change it
    const std::lock_guard lock(mutex);
    if (handle == nullptr) lastError = code;
    // The replaced handle goes with its children, children first: WinInet may reuse a closed handle's
    // value, so none is ever closed twice.
    CloseFrom(level);
    handles[level] = handle;
    if (handle != nullptr && aborted) CloseFrom(level);
    if (handles[level] != nullptr) LimitTimeouts(handles[level]);
    return handles[level] != nullptr;
  }
  DWORD LastError() const { return lastError; }
  HINTERNET Handle(int level) {
    const std::lock_guard lock(mutex);
    return handles[level];
  }
  // Cuts the request handle's time-outs to the time left, before each blocking call.
  void LimitTimeouts() {
    const std::lock_guard lock(mutex);
    if (handles[2] != nullptr) LimitTimeouts(handles[2]);
  }
  Clock::time_point Deadline() const { return deadline; }
  bool Ended() {
    const std::lock_guard lock(mutex);
    return aborted || Clock::now() >= deadline;
  }
  void Abort() {
    const std::lock_guard lock(mutex);
    aborted = true;
    CloseFrom(0);
  }

 private:
  void LimitTimeouts(HINTERNET handle) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    DWORD leftMs = static_cast<DWORD>(std::max<long long>(left, 1));
    DWORD connect = std::min(connectMs, leftMs);
    ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &leftMs, sizeof leftMs);
    ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &leftMs, sizeof leftMs);
  }
  void CloseFrom(int level) {
    for (int child = 2; child >= level; --child) {
      if (handles[child] != nullptr) ::InternetCloseHandle(handles[child]);
      handles[child] = nullptr;
    }
  }

  const DWORD connectMs;
  const Clock::time_point deadline;
  std::mutex mutex;
  bool aborted = false;
  DWORD lastError = 0;
  HINTERNET handles[3] = {nullptr, nullptr, nullptr};
};

// Runs one exchange on a worker thread while the caller waits in short slices: the caller returns
// at the deadline, or within a tenth of a second of a stop request, whatever WinInet is blocked in.
// A worker left behind owns everything it touches and ends at its own time-outs.
HttpTransportResult RunBounded(const Platform& platform, DWORD connectMs, DWORD totalMs,
                               std::function<HttpTransportResult(Exchange&)> work) {
  struct Shared {
    Shared(DWORD connectMs, DWORD totalMs) : exchange(connectMs, totalMs) {}
    Exchange exchange;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    HttpTransportResult result;
  };
  auto shared = std::make_shared<Shared>(connectMs, totalMs);
  std::thread worker([shared, work = std::move(work)] {
    HttpTransportResult result = work(shared->exchange);
    const std::lock_guard lock(shared->mutex);
    shared->result = std::move(result);
    shared->finished = true;
    shared->done.notify_all();
  });
  std::unique_lock lock(shared->mutex);
  while (!shared->finished) {
    const bool stop = platform.StopRequested();
    if (stop || Clock::now() >= shared->exchange.Deadline()) {
      lock.unlock();
      shared->exchange.Abort();
      worker.detach();
      HttpTransportResult result;
      result.failure = HttpFailure::Bounds;
      result.error = stop ? "stopped on request" : "no complete answer within the time limit";
      return result;
    }
    shared->done.wait_for(lock, std::chrono::milliseconds(100));
  }
  lock.unlock();
  worker.join();
  return std::move(shared->result);
}

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
      result.error = DescribeError(code);
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
  result.error = DescribeError(code);
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

bool Win32Platform::DownloadToFile(const std::string& url, const std::string& path) {
  if (url.empty() || HasControlByte(url, true)) return false;
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
  if (!answer.completed || answer.status == 0 || answer.status >= 400) return false;
  return ReplaceFile(path, answer.body);
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
