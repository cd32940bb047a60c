#pragma once

#include <string>

namespace quorvane {

// The program's version record.
struct VersionRecord {
  const char* companyName = "Brellisto";
  const char* productName = "Quorvane";
  const char* copyright = "Copyright (C) 2026 Brellisto. All rights reserved.";
  int major = 1;
  int minor = 0;
  int revision = 0;
};

inline constexpr VersionRecord kVersion{};

// "Brellisto - Quorvane - 1.0.0": the User-Agent of every request.
std::string BuildUserAgent(const VersionRecord& version = kVersion);
// "Quorvane 1.0.0": the main window's caption and the title of its message boxes.
std::string BuildWindowTitle(const VersionRecord& version = kVersion);
// "1.0" (a revision of 0 is left out) or "1.0.5": the splash window's version text.
std::string BuildShortVersion(const VersionRecord& version = kVersion);

}  // namespace quorvane
