#pragma once

#include <optional>
#include <string>

namespace quorvane {

class Program;

inline constexpr const char* kDataFolderName = "Quorvane";

// The user's local application-data folder without a trailing separator; nullopt when there is none.
std::optional<std::string> GetLocalAppDataFolder(Program& program);
// The temporary folder, ending with a separator, or empty text.
std::string GetTempFolder(Program& program);

}  // namespace quorvane
