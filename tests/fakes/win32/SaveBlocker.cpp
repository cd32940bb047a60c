#include "fakes/SaveBlocker.h"

#include <windows.h>

namespace quorvane::testing {

SaveBlocker::SaveBlocker(const std::string& path) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) undo = [file] { CloseHandle(file); };
}

}  // namespace quorvane::testing
