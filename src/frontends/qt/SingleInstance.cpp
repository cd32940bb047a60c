#include "frontends/qt/SingleInstance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quorvane {

namespace {
constexpr const char* kLockFileName = ".quorvane-gui.lock";
constexpr int kWaitMs = 2000;
constexpr int kRetryMs = 50;

static_assert(SingleInstance::kShowSignal == SIGUSR1);
}  // namespace

SingleInstance::~SingleInstance() {
  if (lockFd >= 0) ::close(lockFd);
}

bool SingleInstance::Acquire(const std::string& dataFolder) {
  if (dataFolder.empty()) return true;
  ::mkdir(dataFolder.c_str(), 0700);
  path = dataFolder + "/" + kLockFileName;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return true;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd = fd;
  const std::string id = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, id.data(), id.size(), 0) != static_cast<ssize_t>(id.size()))
    ::ftruncate(fd, 0);  // no id: a second copy then cannot reach this one, and says so
  return true;
}

pid_t SingleInstance::Holder() const {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  char text[24] = {};
  const ssize_t got = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  const long id = got > 0 ? std::strtol(text, nullptr, 10) : 0;
  return id > 1 ? static_cast<pid_t>(id) : 0;
}

bool SingleInstance::AskToShow() const {
  for (int waited = 0; waited < kWaitMs; waited += kRetryMs) {
    if (const pid_t holder = Holder(); holder > 0) return ::kill(holder, kShowSignal) == 0;
    ::usleep(kRetryMs * 1000);
  }
  return false;
}

}  // namespace quorvane
