#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/posix/CurlSession.h"
#include "platform/posix/PosixPlatform.h"

namespace quorvane {

namespace {

// Collects a response body in memory up to a limit; one byte more aborts the transfer.
struct BodySink {
  std::string body;
  std::size_t limit = 0;
  bool overflowed = false;
  bool headersDone = false;  // the blank line after the answer's headers arrived
};

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  const std::size_t bytes = size * count;
  if (sink->body.size() + bytes > sink->limit) {
    sink->overflowed = true;
    return 0;  // anything but `bytes` makes libcurl stop with CURLE_WRITE_ERROR
  }
  sink->body.append(data, bytes);
  return bytes;
}

size_t NoteHeader(char* data, size_t size, size_t count, void* user) {
  const std::size_t bytes = size * count;
  if (bytes > 0 && (data[0] == '\r' || data[0] == '\n')) static_cast<BodySink*>(user)->headersDone = true;
  return bytes;
}

// A freed curl_slist, whatever way the function leaves.
struct HeaderList {
  curl_slist* list = nullptr;
  HeaderList() = default;
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;
  ~HeaderList() { curl_slist_free_all(list); }
  bool Add(const std::string& line) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (grown == nullptr) return false;
    list = grown;
    return true;
  }
};

// Options shared by both kinds of transfer. Only HTTP and HTTPS may be spoken, also after a
// redirect (no file://, no other protocol a hostile page could name).
void SetCommonOptions(CURL* curl, BodySink& sink, char* errorText, long connectMs, long totalMs) {
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
  // A stop must not wait for a name lookup that hangs (a dead resolver): libcurl leaves its resolver
  // thread behind instead of joining it.
  curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
#endif
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalMs);
  // A declared length over the limit is refused before any byte of the body is read.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.limit));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, NoteHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  errorText[0] = '\0';
}

std::string DescribeFailure(CURLcode code, const BodySink& sink, const char* errorText) {
  if (sink.overflowed || code == CURLE_FILESIZE_EXCEEDED) return "answer larger than the size limit";
  if (code == CURLE_ABORTED_BY_CALLBACK) return "stopped: the program is ending";
  std::string text = curl_easy_strerror(code);
  if (errorText[0] != '\0') text += std::string(": ") + errorText;
  return text;
}

// The step a failed transfer gave up at. A peer that breaks the connection off after the headers
// leaves an answer, cut short; our own bounds leave none.
HttpFailure FailureOf(CURLcode code, const BodySink& sink) {
  switch (code) {
    case CURLE_OK:
      return HttpFailure::None;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_WRITE_ERROR:  // only the size limit refuses a write
      return HttpFailure::Bounds;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      return HttpFailure::Connect;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
      return sink.headersDone ? HttpFailure::None : HttpFailure::Send;
    default:
      return HttpFailure::Send;
  }
}

long ResponseCode(CURL* curl) {
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

// True when only this user can change the folder's entries: then whatever stands in it was put there
// by the user or by us, and a stale entry under our file's name may go.
bool FolderIsOurs(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & 022) == 0;
}

// A folder, link or FIFO left under the file's name would make every write fail for good. In our own
// folder it is removed (a link as a link: its target is left alone); elsewhere it stays and the
// write below refuses it.
void RemoveStaleNonFile(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode) || !FolderIsOurs(path)) return;
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);  // never follows links
}

// Writes the file without ever following a symbolic link at its name: a link there makes the write
// fail and leaves the link's target alone. O_NONBLOCK keeps a planted FIFO from blocking us.
bool WriteFileNoFollow(const std::string& path, const std::string& content) {
  RemoveStaleNonFile(path);
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok && (info.st_mode & 077) != 0) ok = ::fchmod(fd, 0600) == 0;
  const char* data = content.data();
  std::size_t left = content.size();
  while (ok && left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) {
      data += written;
      left -= static_cast<std::size_t>(written);
    }
  }
  ok = (::close(fd) == 0) && ok;
  return ok;
}

// A host name goes into the URL as it is, so nothing that could change the URL's meaning may be
// in it (a user part, a path, a port of its own, blanks or controls).
bool IsPlainHost(const std::string& host) {
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

// The request target is sent byte for byte, so it must hold nothing that would end the request line.
bool IsSendableTarget(const std::string& target) {
  return std::none_of(target.begin(), target.end(),
                      [](unsigned char c) { return c <= 0x20 || c == 0x7f || c >= 0x80; });
}

// A header line is sent as one line: a CR or LF in it would start a header of its own.
bool IsSendableHeader(const std::string& line) {
  return std::none_of(line.begin(), line.end(),
                      [](unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; });
}

bool HasHeader(const std::vector<std::string>& lines, const char* name) {
  const std::size_t length = std::strlen(name);
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.size() > length && line[length] == ':' && ::strncasecmp(line.c_str(), name, length) == 0;
  });
}

// Puts the shared handle's options back to their defaults when a transfer is done, so no pointer to
// this call's buffers outlives it. libcurl's caches survive the reset.
struct ResetWhenDone {
  CURL* handle;
  explicit ResetWhenDone(CURL* handle) : handle(handle) {}
  ResetWhenDone(const ResetWhenDone&) = delete;
  ResetWhenDone& operator=(const ResetWhenDone&) = delete;
  ~ResetWhenDone() { curl_easy_reset(handle); }
};

}  // namespace

DownloadResult PosixPlatform::DownloadToFile(const std::string& url, const std::string& path) {
  if (url.empty()) return {false, "no URL"};
  CurlSession* session = Curl();
  if (session == nullptr) return {false, "libcurl could not be initialised"};
  CURL* handle = session->easy.get();
  const ResetWhenDone reset{handle};
  BodySink sink;
  sink.limit = kDownloadMaxBytes;
  char errorText[CURL_ERROR_SIZE];
  SetCommonOptions(handle, sink, errorText, kDownloadConnectTimeoutMs, kDownloadTotalTimeoutMs);
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
  const auto code =
      static_cast<CURLcode>(PerformVerified(*session, kDownloadConnectTimeoutMs, kDownloadTotalTimeoutMs));
  if (code != CURLE_OK) return {false, errorText[0] != '\0' ? errorText : curl_easy_strerror(code)};
  if (const long status = ResponseCode(handle); status >= 400)
    return {false, "HTTP status " + std::to_string(status)};
  if (!WriteFileNoFollow(path, sink.body)) return {false, "the page could not be saved to " + path};
  return {true, {}};
}

HttpTransportResult PosixPlatform::SendHttpRequest(const HttpTransportRequest& request) {
  HttpTransportResult result;
  // The refused inputs are not quoted back: they may hold the very controls that made them unusable.
  const auto refuse = [&result](HttpFailure failure, const char* why) {
    result.failure = failure;
    result.error = why;
    return result;
  };
  if (request.verb != "GET" && request.verb != "POST")
    return refuse(HttpFailure::OpenRequest, "unsupported verb");
  if (!IsPlainHost(request.host)) return refuse(HttpFailure::OpenRequest, "invalid host name");
  if (!IsSendableTarget(request.target))
    return refuse(HttpFailure::OpenRequest, "request target holds a blank, a control or a non-ASCII byte");
  if (!std::all_of(request.headerLines.begin(), request.headerLines.end(), IsSendableHeader))
    return refuse(HttpFailure::AddHeaders, "a header line holds a control character");
  CurlSession* session = Curl();
  if (session == nullptr) return refuse(HttpFailure::Open, "libcurl could not be initialised");
  CURL* handle = session->easy.get();
  const ResetWhenDone reset{handle};

  HeaderList headers;
  bool headersOk = true;
  for (const std::string& line : request.headerLines) headersOk = headersOk && headers.Add(line);
  // libcurl adds "Accept: */*" of its own; an empty custom header removes it. Host and User-Agent
  // come only from the caller: a custom Host replaces libcurl's, and no user agent is set here.
  if (!HasHeader(request.headerLines, "Accept")) headersOk = headersOk && headers.Add("Accept:");
  if (!headersOk) return refuse(HttpFailure::Open, "out of memory for the header list");

  BodySink sink;
  sink.limit = kHttpMaxBytes;
  char errorText[CURL_ERROR_SIZE];
  SetCommonOptions(handle, sink, errorText, kHttpConnectTimeoutMs, kHttpTotalTimeoutMs);
  const std::string url = std::string(request.secure ? "https://" : "http://") + request.host +
                          (request.secure ? ":443/" : ":80/");
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  // The caller has escaped the target already; libcurl must send it without touching it.
  curl_easy_setopt(handle, CURLOPT_REQUEST_TARGET, request.target.empty() ? "/" : request.target.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  if (request.verb == "POST") {
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.c_str());
  }
  HeaderList connectTo;
  if (testLoopbackPort > 0) {
    if (!connectTo.Add("::127.0.0.1:" + std::to_string(testLoopbackPort)))
      return refuse(HttpFailure::Open, "out of memory for the connect-to list");
    curl_easy_setopt(handle, CURLOPT_CONNECT_TO, connectTo.list);
  }

  const auto code =
      static_cast<CURLcode>(PerformVerified(*session, kHttpConnectTimeoutMs, kHttpTotalTimeoutMs));
  result.status = static_cast<int>(ResponseCode(handle));
  curl_off_t declaredLength = -1;
  curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declaredLength);
  result.hasContentLength = declaredLength >= 0;
  result.failure = FailureOf(code, sink);
  result.completed = code == CURLE_OK;
  if (!result.completed) result.error = DescribeFailure(code, sink, errorText);
  // A part cut off by the peer is kept for the caller to judge; a part that our own bounds cut is not
  // an answer at all.
  if (result.failure == HttpFailure::None) result.body = std::move(sink.body);
  return result;
}

std::optional<std::vector<IPv4Address>> PosixPlatform::IPv4AddressTable() {
  ifaddrs* interfaces = nullptr;
  if (::getifaddrs(&interfaces) != 0) return std::nullopt;
  std::vector<IPv4Address> table;
  for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    sockaddr_in address{};
    std::memcpy(&address, entry->ifa_addr, sizeof address);
    IPv4Address bytes{};
    std::memcpy(bytes.data(), &address.sin_addr.s_addr, bytes.size());  // already network order
    table.push_back(bytes);
  }
  ::freeifaddrs(interfaces);
  // Byte-wise order of network-order bytes is the order of the addresses as numbers.
  std::sort(table.begin(), table.end());
  return table;
}

std::string PosixPlatform::ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace quorvane
