#pragma once

#include "platform/posix/PosixPlatform.h"

namespace quorvane {
// The real platform of a Linux build, which the fakes build on.
using HostPlatform = PosixPlatform;
}  // namespace quorvane
