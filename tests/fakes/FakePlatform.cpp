#include "fakes/FakePlatform.h"

#include <fstream>

namespace quorvane::testing {

FakePlatform::FakePlatform(std::optional<std::string> appDataFolder, std::string tempFolder)
    : appDataFolder(std::move(appDataFolder)),
      tempFolder(std::move(tempFolder)),
      programFolder(this->tempFolder) {
  SetStopQuery([this] { return stop; });
}

bool FakePlatform::DownloadToFile(const std::string& url, const std::string& path) {
  downloads.push_back(url);
  if (onNetwork) onNetwork();
  auto page = pages.find(url);
  if (page == pages.end()) return false;
  // A plain write: the long simulated runs would otherwise wait for a disk flush per download.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << page->second;
  return true;
}

HttpTransportResult FakePlatform::SendHttpRequest(const HttpTransportRequest& request) {
  httpRequests.push_back(request);
  if (onNetwork) onNetwork();
  if (httpRequests.size() > httpAnswers.size())
    return HttpTransportResult{false, 0, "", "no answer scripted"};
  return httpAnswers[httpRequests.size() - 1];
}

}  // namespace quorvane::testing
