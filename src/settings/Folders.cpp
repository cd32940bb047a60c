#include "settings/Folders.h"

#include "app/Program.h"

namespace quorvane {

std::optional<std::string> GetLocalAppDataFolder(Program& program) {
  return program.platform.LocalAppDataFolder();
}

std::string GetTempFolder(Program& program) {
  return program.platform.TempFolder();
}

}  // namespace quorvane
