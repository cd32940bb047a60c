#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

// A local calendar date and time of day, as the user's clock shows it.
struct LocalDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// An IPv4 address as four bytes in network order (a.b.c.d).
using IPv4Address = std::array<std::uint8_t, 4>;

// One HTTP(S) request as the transport sends it. The caller composes every header line itself;
// the transport adds nothing of its own beyond what the protocol needs to frame the request.
struct HttpTransportRequest {
  std::string verb;                      // "GET" or "POST"
  std::string host;                      // host name to connect to
  std::string target;                    // request target: path with query, sent as given
  bool secure = false;                   // true: HTTPS on port 443, false: HTTP on port 80
  std::vector<std::string> headerLines;  // "Name: value", without line ends, in sending order
  std::string body;                      // sent only when not empty
};

// The step at which a request gave up, so that developer mode can name it.
enum class HttpFailure {
  None,         // an answer arrived: whole, or broken off by the peer after part of the body
  Open,         // the transport could not be set up at all
  Connect,      // name resolution, the connection or the TLS handshake failed
  OpenRequest,  // the request could not be formed (no host, an unusable target or verb)
  AddHeaders,   // a header line was refused (a control byte in it)
  Send,         // sending failed, or the answer's status line and headers never arrived
  Bounds,       // our own time or size bound, or a stop request, ended the exchange
};

struct HttpTransportResult {
  bool completed = false;  // the answer arrived whole within the time and size bounds
  int status = 0;          // HTTP status code, 0 when none arrived
  std::string body;        // the answer body as received (error statuses included); when the peer
                           // broke the connection off mid-body, the part that arrived
  std::string error;       // the transport's own words on what failed; empty on success
  HttpFailure failure = HttpFailure::None;
  bool hasContentLength = false;  // the answer's headers carried a Content-Length
};

// The operating system as the program logic sees it: small interfaces, one per concern. The logic
// never touches the OS directly, so tests run it on fakes; each front end hands the program one real
// implementation of all four (Platform).

// Folders and the computer's name.
class System {
 public:
  virtual ~System() = default;
  // The user's local (non-roaming) application-data folder, without a trailing separator, created
  // when it does not exist yet. nullopt when the platform cannot name one.
  virtual std::optional<std::string> LocalAppDataFolder() = 0;
  // The folder for short-lived files (the downloaded echo page), ending with a separator; private to
  // the user where the OS allows it. Empty when the platform gives none.
  virtual std::string TempFolder() = 0;
  // The folder of the running executable, without a trailing separator.
  virtual std::string ProgramFolder() = 0;
  // The separator that joins folder and file names ('/' or '\\').
  virtual char PathSeparator() const = 0;
  // The computer's host name, empty when it cannot be obtained.
  virtual std::string ComputerName() = 0;
  // Whether the running (desktop) program starts when the user signs in: the desktop's own entry for
  // it. nullopt where there is no such entry to make.
  virtual std::optional<bool> StartsAtLogin() { return std::nullopt; }
  // Makes or removes that entry at once. False when it could not be written.
  virtual bool SetStartAtLogin(bool /*on*/) { return false; }
};

// A running copy's hold on its data folder, so that one copy writes a folder at a time. Let go when
// destroyed, and by the system when the process ends, however it ends.
class FolderClaim {
 public:
  virtual ~FolderClaim() = default;
};

enum class ClaimOutcome {
  Claimed,      // this process holds the folder now
  InUse,        // another process holds it
  Unavailable,  // no claim can be made there (a read-only folder): nothing stops this copy
};

struct FolderClaimResult {
  ClaimOutcome outcome = ClaimOutcome::Unavailable;
  std::unique_ptr<FolderClaim> claim;  // held while it lives; empty unless Claimed
};

// Files: paths are plain text; contents are single-byte text with the line ends the caller wrote.
class Files {
 public:
  virtual ~Files() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // True when the folder exists and holds at least one ordinary file (no sub-folders, no hidden or
  // system files).
  virtual bool FolderHasOrdinaryFiles(const std::string& folder) = 0;
  // Creates one folder (not its parents), readable by the user only. False when it failed or existed.
  virtual bool CreateFolder(const std::string& path) = 0;
  // The whole file, nullopt when it cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  // Replaces the file whole: the new content goes to a temporary file in the same folder, which is
  // then renamed over the old one. On failure the old file is left as it was. A symbolic link at the
  // path is followed: its target is replaced (the temporary lies beside the target) and the link stays.
  virtual bool ReplaceFile(const std::string& path, const std::string& content) = 0;
  // Appends to the file (through a link too), creating it (readable by the user only) when missing.
  // Opened and closed here. All or nothing: content that could not be written whole is cut off again.
  virtual bool AppendToFile(const std::string& path, const std::string& content) = 0;
  // Deletes the file; through a symbolic link, the link's target (the link stays, dangling).
  virtual bool DeleteFile(const std::string& path) = 0;
  // Removes the temporary files that replacing the named files left in the folder when it was
  // interrupted (a crash, a kill): only those of ReplaceFile's own naming that are the user's regular
  // files, in the folder and beside the targets of named files that are links. Where replacing leaves
  // none behind there is nothing to do.
  virtual void RemoveStaleTempFiles(const std::string& /*folder*/,
                                    const std::vector<std::string>& /*fileNames*/) {}
  // Claims the existing folder for this process without waiting (a hidden lock file in it).
  virtual FolderClaimResult ClaimFolder(const std::string& /*folder*/) { return {}; }
  // Asks the copy that holds the folder to re-read config.txt. Its process id, or 0 when no copy
  // holds the folder or it could not be reached.
  virtual int AskHolderToReload(const std::string& /*folder*/) { return 0; }
};

// What a download came to: true when the page was saved; otherwise the failed step in the
// transport's own words, for developer mode.
struct DownloadResult {
  bool saved = false;
  std::string error;
  explicit operator bool() const { return saved; }
};

// The network. Waits end early, as failures, once a stop was requested (see Platform::SetStopQuery).
class Network {
 public:
  virtual ~Network() = default;
  // Downloads the URL into the file, following redirects. Succeeds only when the whole body arrived
  // with a status below 400 within the time and size bounds; the file is created or replaced and is
  // never written through a symbolic link.
  virtual DownloadResult DownloadToFile(const std::string& url, const std::string& path) = 0;
  // Sends one request and reads the answer (see HttpTransportRequest).
  virtual HttpTransportResult SendHttpRequest(const HttpTransportRequest& request) = 0;
  // Every IPv4 address of every interface, loopback included, sorted ascending by address.
  // nullopt when the table cannot be read.
  virtual std::optional<std::vector<IPv4Address>> IPv4AddressTable() = 0;
};

// The clock and the user's date format.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
  // Blocks the calling thread; returns early once a stop is requested.
  virtual void Sleep(int milliseconds) = 0;
  // The short-date text of a day number (days since 30 December 1899; 0 is "never").
  virtual std::string FormatShortDate(std::int32_t dayNumber) = 0;
  // The day number that a short-date text names, nullopt when the text is no date.
  virtual std::optional<std::int32_t> ParseShortDate(const std::string& text) = 0;
};

class Platform : public System, public Files, public Network, public Clock {
 public:
  // Stop requests --------------------------------------------------------------------------------

  // The front end says how to learn that the user or the system asked the program to stop (a signal,
  // Quit). Running downloads and requests poll it and end as failed within a second once it answers
  // true; Sleep returns early. Without a query nothing is ever interrupted.
  void SetStopQuery(std::function<bool()> query) { stopQuery = std::move(query); }
  bool StopRequested() const { return stopQuery && stopQuery(); }

 private:
  std::function<bool()> stopQuery;
};

}  // namespace quorvane
