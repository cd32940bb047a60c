#pragma once

#include <QLocalServer>
#include <functional>
#include <string>

namespace quorvane {

// One copy of the desktop program per data folder: two copies would share config.txt, and the
// later stop would overwrite the earlier one's settings. The first copy holds a lock on a hidden
// file in the data folder and listens on a local socket; a second copy finds the lock taken and asks
// the first, through the socket, to show its window.
class SingleInstance {
 public:
  SingleInstance() = default;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // Takes the lock for the data folder (created when missing). False when another copy holds it.
  // A folder that cannot be used locks nothing and counts as free. The socket lives in the user's
  // private runtime folder (ending with '/'); without one there is no socket.
  bool Acquire(const std::string& dataFolder, const std::string& runtimeFolder);
  // Listens for a second copy's request; showWindow runs for each.
  void Listen(std::function<void()> showWindow);
  // Asks the copy holding the lock to show its window; a copy that is still starting is given two
  // seconds. False when it could not be reached.
  bool AskToShow();

 private:
  std::string name;
  int lockFd = -1;
  QLocalServer server;
};

}  // namespace quorvane
