// Links the whole core and the Win32 platform into one small program, for the size benchmark.
#include <cstdio>

#include "core/Version.h"
#include "platform/win32/Win32Platform.h"

int main() {
  quorvane::Win32Platform platform;
  std::printf("%s (%s)\n", quorvane::BuildWindowTitle().c_str(), platform.ComputerName().c_str());
  return 0;
}
