#include "core/Version.h"

namespace quorvane {

namespace {
std::string FullNumber(const VersionRecord& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}
}  // namespace

std::string BuildUserAgent(const VersionRecord& v) {
  return std::string(v.companyName) + " - " + v.productName + " - " + FullNumber(v);
}

std::string BuildWindowTitle(const VersionRecord& v) {
  return std::string(v.productName) + " " + FullNumber(v);
}

std::string BuildShortVersion(const VersionRecord& v) {
  std::string text = std::to_string(v.major) + "." + std::to_string(v.minor);
  if (v.revision != 0) text += "." + std::to_string(v.revision);
  return text;
}

}  // namespace quorvane
