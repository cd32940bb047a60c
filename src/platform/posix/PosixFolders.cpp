// The user's folders (XDG base directories) and the desktop's entry that starts the program at
// sign-in (XDG autostart).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/posix/PosixFolders.h"
#include "platform/posix/PosixPlatform.h"

namespace quorvane {

namespace posix {

std::optional<std::string> AbsolutePathFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::nullopt;
  return std::string(value);
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolders(const std::string& path) {
  if (IsDirectory(path)) return true;
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return IsDirectory(path);
}

std::string XdgFolder(const char* variable, const char* homeDefault) {
  if (const auto folder = AbsolutePathFromEnvironment(variable)) return WithoutTrailingSlashes(*folder);
  const auto home = AbsolutePathFromEnvironment("HOME");
  return home ? WithoutTrailingSlashes(*home) + "/" + homeDefault : std::string();
}

}  // namespace posix

namespace {

constexpr const char* kAutostartEntry = "/autostart/quorvane-gui.desktop";

// The Exec key's value: quoted, with the characters that the desktop entry rules reserve escaped.
std::string QuotedExec(const std::string& path) {
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::optional<bool> PosixPlatform::StartsAtLogin() {
  const std::string config = posix::XdgFolder("XDG_CONFIG_HOME", ".config");
  if (config.empty()) return std::nullopt;
  const std::optional<std::string> entry = ReadFile(config + kAutostartEntry);
  return entry && entry->find("\nHidden=true") == std::string::npos;
}

bool PosixPlatform::SetStartAtLogin(bool on) {
  const std::string config = posix::XdgFolder("XDG_CONFIG_HOME", ".config");
  if (config.empty()) return false;
  const std::string path = config + kAutostartEntry;
  if (!on) return DeleteFile(path) || !FileExists(path);
  char program[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", program, sizeof program - 1);
  if (length <= 0 || !posix::MakeFolders(config + "/autostart")) return false;
  return ReplaceFile(path,
                     "[Desktop Entry]\nType=Application\nName=Quorvane\n"
                     "Comment=Keeps a host name pointing at this computer's public address\nExec=" +
                         QuotedExec(std::string(program, static_cast<std::size_t>(length))) +
                         "\nIcon=quorvane\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
}

}  // namespace quorvane
