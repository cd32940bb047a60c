#pragma once

#include <sys/types.h>

#include <string>

namespace quorvane {

// One copy of the desktop program per data folder: two copies would share config.txt, and the
// later stop would overwrite the earlier one's settings. The first copy holds a lock on a hidden file
// in the data folder, with its process id written in it; a second copy finds the lock taken and asks
// the first, with SIGUSR1, to show its window.
class SingleInstance {
 public:
  static constexpr int kShowSignal = 10;  // SIGUSR1

  SingleInstance() = default;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // Takes the lock for the data folder (created when missing). False when another copy holds it. A
  // folder that cannot be used locks nothing and counts as free.
  bool Acquire(const std::string& dataFolder);
  // The process holding the lock that Acquire found taken, or 0 while it has not written its id yet.
  pid_t Holder() const;
  // Asks the copy holding the lock to show its window; a copy that has only just taken the lock is
  // given two seconds to write its id. False when it could not be reached.
  bool AskToShow() const;

 private:
  std::string path;
  int lockFd = -1;
};

}  // namespace quorvane
