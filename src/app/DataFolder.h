#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

namespace quorvane {

inline constexpr const char* kDataFolderName = "Quorvane";

// The program's data folder: the user's local application-data folder, then "Quorvane", each
// followed by the separator. nullopt when the platform names no such folder: then there is nowhere
// safe to keep the settings.
std::optional<std::string> DataFolderPath(System& system);

}  // namespace quorvane
