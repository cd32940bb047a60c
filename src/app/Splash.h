#pragma once

#include "app/Shell.h"

namespace quorvane {

// The splash window's texts: title, version (a revision of 0 left out) and copyright line.
SplashText SplashTexts();

}  // namespace quorvane
