#pragma once

#include <string>

namespace quorvane {

class Platform;

// The computer's host name, empty text when it cannot be obtained.
std::string GetHostName(Platform& platform);
// The text up to its first NUL character, or the whole text when it holds none.
std::string TrimAtNul(const std::string& text);

}  // namespace quorvane
