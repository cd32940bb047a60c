#pragma once

#include "platform/posix/PosixPlatform.h"

namespace quorvane {
using HostPlatform = PosixPlatform;
}  // namespace quorvane
