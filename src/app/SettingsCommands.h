#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace quorvane {

// The console's commands for setting Quorvane up without an editor (a server, a service's folder).
// Each runs once and returns what to print and the exit status; `folder` is the data folder, ending
// with its separator.

struct CommandOutcome {
  int status = 0;
  std::string out;  // lines for standard output
  std::string err;  // lines for standard error
};

inline constexpr int kExitRefused = 64;  // a value or name that is not allowed: nothing changed

// Every service and the host its updates go to.
CommandOutcome ListProviders();

// Every setting as "name = value"; the password masked unless showPassword.
CommandOutcome ShowSettings(Platform& platform, const std::string& folder, bool showPassword);

// Applies "NAME=VALUE" assignments, all or nothing, and rewrites config.txt in its own format (an
// empty folder first gets the default settings, as a first run would). "password=-" takes the
// password from readPassword. A copy running on the folder is told to re-read config.txt.
CommandOutcome SetSettings(Platform& platform, const std::string& folder,
                           const std::vector<std::string>& assignments,
                           const std::function<std::optional<std::string>()>& readPassword);

// The last known addresses, the last update, whether an update is owed and why, and whether a copy
// runs on the folder: for monitoring scripts.
CommandOutcome ShowStatus(Platform& platform, const std::string& folder);

}  // namespace quorvane
