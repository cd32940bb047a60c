#pragma once

#include <string>

namespace quorvane {

// An argument quoted in a message: controls as \xNN and backslashes doubled, so that it stays one
// line and reads back unambiguously.
std::string EscapedArgument(const std::string& argument);

}  // namespace quorvane
