#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// What the window shows when the computer's name cannot be obtained.
inline constexpr std::string_view kUnnamedComputer = "Comp1";

// The text up to its first NUL character, or the whole text when it holds none.
std::string TrimAtNul(std::string_view text);
// The name as the window shows it: up to its first NUL, every blank as "_", "Comp1" when empty.
std::string ShownComputerName(std::string_view name);

}  // namespace quorvane
