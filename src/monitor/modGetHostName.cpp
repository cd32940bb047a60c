#include "monitor/modGetHostName.h"

#include "platform/Platform.h"

namespace quorvane {

std::string GetHostName(Platform& platform) {
  // The platform may hand over a fixed-size name field; only the text before its first NUL counts.
  return TrimAtNul(platform.ComputerName());
}

std::string TrimAtNul(const std::string& text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

}  // namespace quorvane
