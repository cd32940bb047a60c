#pragma once

#include <windows.h>

#include "app/Shell.h"

namespace quorvane {

inline constexpr const char* kSplashClassName = "QuorvaneSplash";

// Shows the splash window and returns when it has closed: after two seconds, on a key or on a click.
void ShowSplashWindow(HINSTANCE instance, const SplashText& text);

}  // namespace quorvane
