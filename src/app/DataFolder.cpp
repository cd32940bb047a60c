#include "app/DataFolder.h"

namespace quorvane {

std::optional<std::string> DataFolderPath(System& system) {
  const std::optional<std::string> appData = system.LocalAppDataFolder();
  if (!appData || appData->empty()) return std::nullopt;
  const char separator = system.PathSeparator();
  std::string folder = *appData;
  if (folder.back() != separator) folder += separator;
  folder += kDataFolderName;
  folder += separator;
  return folder;
}

}  // namespace quorvane
