#pragma once

#include <functional>
#include <string>

namespace quorvane::testing {

// While it lives, a whole-file save over `path` cannot complete. On Linux the process may write only
// 16 bytes to any file (a disk that fills up halfway through; works as root too, unlike a read-only
// folder); on Windows another handle holds the file open without sharing.
class SaveBlocker {
 public:
  explicit SaveBlocker(const std::string& path);
  ~SaveBlocker() {
    if (undo) undo();
  }
  SaveBlocker(const SaveBlocker&) = delete;
  SaveBlocker& operator=(const SaveBlocker&) = delete;
  bool Active() const { return static_cast<bool>(undo); }

 private:
  std::function<void()> undo;
};

}  // namespace quorvane::testing
