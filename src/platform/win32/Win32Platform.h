#pragma once

#include <string>

#include "platform/Platform.h"

namespace quorvane {

// The Windows platform: shell folders, Win32 files, WinInet, IP Helper, the user's date format.
class Win32Platform : public Platform {
 public:
  std::optional<std::string> LocalAppDataFolder() override;
  std::string TempFolder() override;
  std::string ProgramFolder() override;
  char PathSeparator() const override { return '\\'; }

  bool FileExists(const std::string& path) override;
  bool FolderHasOrdinaryFiles(const std::string& folder) override;
  bool CreateFolder(const std::string& path) override;
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool ReplaceFile(const std::string& path, const std::string& content) override;
  bool AppendToFile(const std::string& path, const std::string& content) override;
  bool DeleteFile(const std::string& path) override;
  FolderClaimResult ClaimFolder(const std::string& folder) override;

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
};

// Download bounds: a hanging echo service must not freeze the program.
inline constexpr unsigned long kDownloadConnectTimeoutMs = 10000;
inline constexpr unsigned long kDownloadTotalTimeoutMs = 20000;
inline constexpr std::size_t kDownloadMaxBytes = 64 * 1024;
inline constexpr int kDownloadMaxRedirects = 5;
// Update-request bounds.
inline constexpr unsigned long kHttpConnectTimeoutMs = 15000;
inline constexpr unsigned long kHttpTotalTimeoutMs = 30000;
inline constexpr std::size_t kHttpMaxBytes = 64 * 1024;

}  // namespace quorvane
