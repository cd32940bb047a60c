#pragma once

#include "platform/win32/Win32Platform.h"

namespace quorvane {
// The real platform of a Windows build, which the fakes build on.
using HostPlatform = Win32Platform;
}  // namespace quorvane
