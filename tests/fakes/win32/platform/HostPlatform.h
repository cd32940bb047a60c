#pragma once

#include "platform/win32/Win32Platform.h"

namespace quorvane {
using HostPlatform = Win32Platform;
}  // namespace quorvane
