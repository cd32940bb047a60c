#include "fakes/FakePlatform.h"

namespace quorvane::testing {

FakePlatform::FakePlatform(std::optional<std::string> appDataFolder, std::string tempFolder)
    : appDataFolder(std::move(appDataFolder)),
      tempFolder(std::move(tempFolder)),
      programFolder(this->tempFolder) {}

bool FakePlatform::DownloadToFile(const std::string& url, const std::string& path) {
  downloads.push_back(url);
  auto page = pages.find(url);
  if (page == pages.end()) return false;
  return ReplaceFile(path, page->second);
}

HttpTransportResult FakePlatform::SendHttpRequest(const HttpTransportRequest& request) {
  httpRequests.push_back(request);
  if (httpRequests.size() > httpAnswers.size())
    return HttpTransportResult{false, 0, "", "no answer scripted"};
  return httpAnswers[httpRequests.size() - 1];
}

}  // namespace quorvane::testing
