#pragma once

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/HostPlatform.h"

namespace quorvane::testing {

// The real file system (in a test's temp folder) with a scripted network, names and clock, never real.
class FakePlatform : public HostPlatform {
 public:
  FakePlatform(std::string appDataFolder, std::string tempFolder)
      : appDataFolder(std::move(appDataFolder)), tempFolder(std::move(tempFolder)) {}

  std::optional<std::string> appDataFolder;
  std::string tempFolder;                        // ends with '/'
  std::map<std::string, std::string> pages;      // echo pages by URL; others fail to download
  std::vector<std::string> downloads;            // every URL asked for, in order
  std::vector<HttpTransportResult> httpAnswers;  // used in order, then "not completed"
  std::vector<HttpTransportRequest> httpRequests;
  std::function<void()> onNetwork;  // runs in every download and request, as a signal or a nested loop may
  std::optional<std::vector<IPv4Address>> addressTable = std::vector<IPv4Address>{{127, 0, 0, 1}};
  LocalDateTime now{2026, 3, 7, 21, 5, 9};
  std::vector<int> sleeps;
  std::set<std::string> unwritable;  // files that cannot be replaced
  bool folderHeld = false;           // another copy holds the data folder
  std::optional<bool> startsAtLogin = false;

  std::optional<bool> StartsAtLogin() override { return startsAtLogin; }
  bool SetStartAtLogin(bool on) override {
    if (startsAtLogin) startsAtLogin = on;
    return startsAtLogin.has_value();
  }

  FolderClaimResult ClaimFolder(const std::string& folder) override {
    return folderHeld ? FolderClaimResult{ClaimOutcome::InUse, nullptr} : HostPlatform::ClaimFolder(folder);
  }

  bool ReplaceFile(const std::string& path, const std::string& content) override {
    return !unwritable.contains(path) && HostPlatform::ReplaceFile(path, content);
  }

  std::optional<std::string> LocalAppDataFolder() override { return appDataFolder; }
  std::string TempFolder() override { return tempFolder; }
  std::optional<std::vector<IPv4Address>> IPv4AddressTable() override { return addressTable; }
  std::string ComputerName() override { return "testhost"; }
  LocalDateTime Now() override { return now; }
  void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
  DownloadResult DownloadToFile(const std::string& url, const std::string& path) override {
    downloads.push_back(url);
    if (onNetwork) onNetwork();
    auto page = pages.find(url);
    if (page == pages.end()) return {false, "HTTP status 404"};
    // A plain write: long simulated runs would otherwise wait for a disk flush per download.
    return {static_cast<bool>(std::ofstream(path, std::ios::binary) << page->second), ""};
  }
  HttpTransportResult SendHttpRequest(const HttpTransportRequest& request) override {
    httpRequests.push_back(request);
    if (onNetwork) onNetwork();
    if (httpRequests.size() > httpAnswers.size()) return {false, 0, "", "no answer scripted"};
    return httpAnswers[httpRequests.size() - 1];
  }
};

}  // namespace quorvane::testing
