#include "core/ComputerName.h"

namespace quorvane {

std::string TrimAtNul(std::string_view text) {
  // The platform may hand over a fixed-size name field; only the text before its first NUL counts.
  return std::string(text.substr(0, text.find('\0')));
}

std::string ShownComputerName(std::string_view name) {
  std::string shown = TrimAtNul(name);
  if (shown.empty()) return std::string(kUnnamedComputer);
  for (char& c : shown)
    if (c == ' ') c = '_';
  return shown;
}

}  // namespace quorvane
