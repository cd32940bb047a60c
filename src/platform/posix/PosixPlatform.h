#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace quorvane {

// The Linux platform: XDG folders, POSIX files, libcurl, getifaddrs, gethostname.
class PosixPlatform : public Platform {
 public:
  PosixPlatform();
  ~PosixPlatform() override;
  PosixPlatform(const PosixPlatform&) = delete;
  PosixPlatform& operator=(const PosixPlatform&) = delete;

  std::optional<std::string> LocalAppDataFolder() override;
  std::string TempFolder() override;
  std::string ProgramFolder() override;
  char PathSeparator() const override { return '/'; }

  bool FileExists(const std::string& path) override;
  bool FolderHasOrdinaryFiles(const std::string& folder) override;
  bool CreateFolder(const std::string& path) override;
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool ReplaceFile(const std::string& path, const std::string& content) override;
  bool AppendToFile(const std::string& path, const std::string& content) override;
  bool DeleteFile(const std::string& path) override;
  void RemoveStaleTempFiles(const std::string& folder, const std::vector<std::string>& fileNames) override;
  FolderClaimResult ClaimFolder(const std::string& folder) override;
  int AskHolderToReload(const std::string& folder) override;
  // The signal that asks a running copy to re-read config.txt (SIGHUP means that only to the console).
  static constexpr int kReloadSignal = 12;  // SIGUSR2

  DownloadResult DownloadToFile(const std::string& url, const std::string& path) override;
  HttpTransportResult SendHttpRequest(const HttpTransportRequest& request) override;
  std::optional<std::vector<IPv4Address>> IPv4AddressTable() override;
  std::string ComputerName() override;
  std::optional<bool> StartsAtLogin() override;
  bool SetStartAtLogin(bool on) override;

  LocalDateTime Now() override;
  void Sleep(int milliseconds) override;
  std::string FormatShortDate(std::int32_t dayNumber) override;
  std::optional<std::int32_t> ParseShortDate(const std::string& text) override;

  // Tests only. Trust exactly these certificates instead of the system's: a PEM bundle and/or a
  // folder of hashed certificates (as `openssl rehash` makes); an empty text means none of that kind.
  void SetTrustStoreForTesting(std::string bundleFile, std::string hashedFolder = "") {
    testTrust = TrustStore{std::move(bundleFile), std::move(hashedFolder)};
  }
  // Tests only. Send every request connection to 127.0.0.1:port instead of host:80/443; the Host
  // header, TLS server name and certificate check still use the request's host.
  void SetLoopbackPortForTesting(int port) { testLoopbackPort = port; }

 private:
  // libcurl's global state, its transfer handle and the multi handle that drives it, made on first
  // use and freed together (PosixNetwork.cpp). One handle serves every transfer: it keeps libcurl's
  // caches (the parsed CA store, TLS sessions, DNS) across the checks and the update's retry.
  struct CurlSession;
  CurlSession* Curl();
  // Runs the prepared transfer with certificate checks against the trust store (see the .cpp).
  int PerformVerified(CurlSession& session, long connectMs, long totalMs);
  // Runs one prepared transfer; ends it as aborted once a stop is requested.
  int Perform(CurlSession& session);

  struct TrustStore {
    std::string bundleFile;
    std::string hashedFolder;
  };

  std::unique_ptr<CurlSession> curlSession;
  std::optional<TrustStore> testTrust;
  int testLoopbackPort = 0;
};

// Download bounds: a hanging echo service must not freeze the program.
inline constexpr long kDownloadConnectTimeoutMs = 10000;
inline constexpr long kDownloadTotalTimeoutMs = 20000;
inline constexpr long kDownloadMaxBytes = 64 * 1024;
// Update-request bounds.
inline constexpr long kHttpConnectTimeoutMs = 15000;
inline constexpr long kHttpTotalTimeoutMs = 30000;
inline constexpr long kHttpMaxBytes = 64 * 1024;
// Pauses and transfers look for a stop request this often.
inline constexpr int kSleepSliceMs = 100;
inline constexpr int kStopPollMs = 200;

}  // namespace quorvane
