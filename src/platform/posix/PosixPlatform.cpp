#include "platform/posix/PosixPlatform.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include "platform/posix/PosixFolders.h"
#include "platform/posix/ShortDate.h"

namespace quorvane {

namespace {

using posix::AbsolutePathFromEnvironment;
using posix::IsDirectory;
using posix::MakeFolders;
using posix::WithoutTrailingSlashes;

// A folder that only this user can enter: a real directory (not a link), ours, and closed to group
// and others. Our own folder with loose permissions is tightened; someone else's is refused.
bool MakePrivateFolder(const std::string& path, bool tightenPermissions) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
  if (ok && (info.st_mode & 077) != 0) ok = tightenPermissions && ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok;
}

// Our files are a few hundred bytes; one far larger is no file of ours, and reading it whole could
// exhaust the memory.
constexpr off_t kMaxReadBytes = 16 * 1024 * 1024;

// ReplaceFile's temporary beside "name" is ".name.quorvane-save-XXXXXX", the X's filled in by
// mkostemp: a marker no user would choose for a file of their own, so that the clean-up at start never
// takes a user's ".config.txt.backup" or the like for one of ours.
constexpr std::string_view kTempPrefix = ".";
constexpr const char* kFolderLockName = ".quorvane.lock";  // hidden: no ordinary file
constexpr std::string_view kTempMarker = ".quorvane-save-";
constexpr std::string_view kTempRandom = "XXXXXX";

bool IsReplaceTemporaryName(std::string_view name, const std::string& fileName) {
  const std::size_t fixed = kTempPrefix.size() + fileName.size() + kTempMarker.size();
  if (name.size() != fixed + kTempRandom.size() || !name.starts_with(kTempPrefix) ||
      name.substr(kTempPrefix.size(), fileName.size()) != fileName ||
      name.substr(fixed - kTempMarker.size(), kTempMarker.size()) != kTempMarker)
    return false;
  const std::string_view random = name.substr(fixed);
  return std::all_of(random.begin(), random.end(), [](char c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
  });
}

// Removes ReplaceFile's temporaries of the named files from one folder: only regular files of this
// user, never a link, a folder or someone else's file.
void RemoveTemporariesIn(const std::string& folder, const std::vector<std::string>& fileNames) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::none_of(fileNames.begin(), fileNames.end(), [entry](const std::string& file) {
          return IsReplaceTemporaryName(entry->d_name, file);
        }))
      continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
        info.st_uid == ::geteuid())
      stale.emplace_back(entry->d_name);
  }
  for (const std::string& name : stale) ::unlinkat(::dirfd(dir), name.c_str(), 0);
  ::closedir(dir);
}

// Root working in a service user's folder (a settings command): what it makes belongs to the owner of
// `like` (the file replaced), else of the folder, so that the service can still use it.
bool KeepOwner(int fd, const std::string& like, const std::string& folder) {
  if (::geteuid() != 0) return true;
  struct stat owner {};
  if (::stat(like.c_str(), &owner) != 0 && ::stat(folder.c_str(), &owner) != 0) return true;
  return owner.st_uid == 0 || ::fchown(fd, owner.st_uid, owner.st_gid) == 0;
}

// A path split into its folder (with the trailing '/', or "./") and its last name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"./", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The path with the symbolic links at its end followed (a link to a link as well), so that a file
// the user keeps elsewhere through a link in the data folder is replaced where it lies and the link
// stays. A dangling link names the file to create. nullopt for a loop or an unreadable link.
std::optional<std::string> FollowLinks(std::string path) {
  constexpr int kMaxLinks = 40;  // as the kernel's own limit (ELOOP)
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return std::nullopt;
    std::string target(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    if (target[0] != '/' && slash != std::string::npos) target.insert(0, path, 0, slash + 1);
    path = std::move(target);
  }
  return std::nullopt;
}

bool WriteAll(int fd, const std::string& content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

// libcurl is set up on the first network call (see Curl), so making a platform costs nothing.

std::optional<std::string> PosixPlatform::LocalAppDataFolder() {
  if (const auto xdg = AbsolutePathFromEnvironment("XDG_DATA_HOME")) {
    const std::string folder = WithoutTrailingSlashes(*xdg);
    if (MakeFolders(folder)) return folder;
  }
  // Unset, or naming nothing that can be a folder (a file): the default under HOME.
  const auto home = AbsolutePathFromEnvironment("HOME");
  if (!home) return std::nullopt;
  const std::string folder = WithoutTrailingSlashes(*home) + "/.local/share";
  if (!MakeFolders(folder)) return std::nullopt;
  return folder;
}

std::string PosixPlatform::TempFolder() {
  // The session's runtime folder is private by definition; we still check rather than trust it.
  if (const auto runtime = AbsolutePathFromEnvironment("XDG_RUNTIME_DIR")) {
    const std::string folder = WithoutTrailingSlashes(*runtime);
    if (MakePrivateFolder(folder, false)) return folder + "/";
  }
  const std::string base = WithoutTrailingSlashes(AbsolutePathFromEnvironment("TMPDIR").value_or("/tmp"));
  const std::string folder = (base == "/" ? "" : base) + "/quorvane-" + std::to_string(::geteuid());
  if (MakePrivateFolder(folder, true)) return folder + "/";
  return "";
}

std::string PosixPlatform::ProgramFolder() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return ".";
  const std::string path(buffer, static_cast<std::size_t>(length));
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool PosixPlatform::FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixPlatform::FolderHasOrdinaryFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (!found) {
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    if (entry->d_name[0] == '.') continue;  // hidden files, and "." and ".."
    struct stat info {};
    found = ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
  }
  ::closedir(dir);
  return found;
}

bool PosixPlatform::CreateFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0700) == 0;
}

std::optional<std::string> PosixPlatform::ReadFile(const std::string& path) {
  // O_NONBLOCK keeps a FIFO planted under the name from blocking the program; only files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxReadBytes) {
    ::close(fd);
    return std::nullopt;
  }
  std::string content;
  content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
    if (content.size() > static_cast<std::size_t>(kMaxReadBytes)) break;  // it grew while being read
  }
  ::close(fd);
  if (content.size() > static_cast<std::size_t>(kMaxReadBytes)) return std::nullopt;
  return content;
}

bool PosixPlatform::ReplaceFile(const std::string& linkedPath, const std::string& content) {
  const std::optional<std::string> target = FollowLinks(linkedPath);
  if (!target) return false;
  const std::string& path = *target;
  const auto [folder, name] = SplitPath(path);
  if (name.empty()) return false;
  // Rewriting identical content would cost a disk flush on every check for nothing: a private
  // regular file that already holds exactly these bytes is left as it is.
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) && (existing.st_mode & 077) == 0 &&
      static_cast<std::size_t>(existing.st_size) == content.size() && ReadFile(path) == content)
    return true;
  // A hidden name, so that a temporary left behind by a crash does not count as an ordinary file
  // (RemoveStaleTempFiles knows the pattern).
  std::string temporary = folder;
  temporary.append(kTempPrefix).append(name).append(kTempMarker).append(kTempRandom);
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // created 0600, O_EXCL
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && KeepOwner(fd, path, folder) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

bool PosixPlatform::AppendToFile(const std::string& path, const std::string& content) {
  // A link is followed: a user may keep the log on another disk. O_NONBLOCK keeps a FIFO from
  // blocking the program; only regular files are written.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok && !WriteAll(fd, content)) {
    // A full disk cut the content short: cut the file back too, so that no half line is left for
    // the next one to be glued to.
    ok = false;
    while (::ftruncate(fd, info.st_size) != 0 && errno == EINTR) {
    }
  }
  ok = (::close(fd) == 0) && ok;
  return ok;
}

bool PosixPlatform::DeleteFile(const std::string& linkedPath) {
  // As ReplaceFile: a link's target is the file, and the link stays (the next replace makes it again).
  const std::optional<std::string> path = FollowLinks(linkedPath);
  return path && ::unlink(path->c_str()) == 0;
}

void PosixPlatform::RemoveStaleTempFiles(const std::string& folder,
                                         const std::vector<std::string>& fileNames) {
  RemoveTemporariesIn(folder, fileNames);
  // A file kept elsewhere through a link (a dotfile manager) is replaced beside its target: a
  // temporary a kill left there holds the same secrets, so it goes too.
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  for (const std::string& name : fileNames) {
    const std::optional<std::string> target = FollowLinks(base + name);
    if (!target || *target == base + name) continue;
    const auto [targetFolder, targetName] = SplitPath(*target);
    RemoveTemporariesIn(targetFolder, {targetName});
  }
}

namespace {

// The lock file's descriptor: closing it lets go of the lock.
class PosixFolderClaim : public FolderClaim {
 public:
  explicit PosixFolderClaim(int fd) : fd(fd) {}
  ~PosixFolderClaim() override { ::close(fd); }
  PosixFolderClaim(const PosixFolderClaim&) = delete;
  PosixFolderClaim& operator=(const PosixFolderClaim&) = delete;

 private:
  const int fd;
};

}  // namespace

FolderClaimResult PosixPlatform::ClaimFolder(const std::string& folder) {
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  // flock, not a PID file: the kernel lets go when the process ends, even by SIGKILL, so a stale
  // lock never keeps the program out. Never through a link, never a FIFO.
  const int fd =
      ::open((base + kFolderLockName).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return {};
  KeepOwner(fd, base, base);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool inUse = errno == EWOULDBLOCK;
    ::close(fd);
    return {inUse ? ClaimOutcome::InUse : ClaimOutcome::Unavailable, nullptr};
  }
  // The holder's id, so that a settings command can ask it to re-read config.txt.
  const std::string id = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, id.data(), id.size(), 0) != static_cast<ssize_t>(id.size()))
    static_cast<void>(::ftruncate(fd, 0));
  return {ClaimOutcome::Claimed, std::make_unique<PosixFolderClaim>(fd)};
}

static_assert(PosixPlatform::kReloadSignal == SIGUSR2);

int PosixPlatform::AskHolderToReload(const std::string& folder) {
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  const int fd = ::open((base + kFolderLockName).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[24] = {};
  const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
  // Held still? A lock we can take ourselves belongs to no running copy (its id is stale).
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  const long id = got > 0 ? std::strtol(text, nullptr, 10) : 0;
  if (!held || id <= 1 || id == ::getpid()) return 0;
  return ::kill(static_cast<pid_t>(id), kReloadSignal) == 0 ? static_cast<int>(id) : 0;
}

LocalDateTime PosixPlatform::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) == nullptr) return LocalDateTime{};
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

// Sleeps in short slices so that a stop request ends the pause within a slice.
void PosixPlatform::Sleep(int milliseconds) {
  using namespace std::chrono;
  const auto end = steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!StopRequested()) {
    const auto left = duration_cast<nanoseconds>(end - steady_clock::now());
    if (left.count() <= 0) return;
    const auto slice = std::min(left, duration_cast<nanoseconds>(std::chrono::milliseconds(kSleepSliceMs)));
    const timespec pause{0, static_cast<long>(slice.count())};
    ::nanosleep(&pause, nullptr);
  }
}

std::string PosixPlatform::FormatShortDate(std::int32_t dayNumber) {
  return FormatShortDateText(dayNumber);
}

std::optional<std::int32_t> PosixPlatform::ParseShortDate(const std::string& text) {
  return ParseShortDateText(text);
}

}  // namespace quorvane
