#pragma once

#include <optional>
#include <string>

namespace quorvane::posix {

// An environment variable that holds an absolute path; relative paths are ignored, as the XDG base
// directory rules ask.
std::optional<std::string> AbsolutePathFromEnvironment(const char* name);
std::string WithoutTrailingSlashes(std::string path);
bool IsDirectory(const std::string& path);
// mkdir -p: every missing folder on the way is created readable by the user only.
bool MakeFolders(const std::string& path);
// The user's folder for an XDG kind ("XDG_CONFIG_HOME", ".config"): the variable, else HOME's
// default. Empty when neither names one.
std::string XdgFolder(const char* variable, const char* homeDefault);

}  // namespace quorvane::posix
