#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/Settings.h"
#include "platform/Platform.h"

namespace quorvane {

inline constexpr const char* kConfigFileName = "config.txt";

// config.txt: one value per line (CR LF), its meaning given by its line number: update flag, service,
// user name, password, host names, system, MX, backup MX, wildcard, offline, interval, log everything,
// suspend, last-update date (the user's short date), then the echo URLs to the end of the file.

struct ParsedSettings {
  Settings settings;
  // The interval line's text (blanks removed) when it was no whole number within the allowed range
  // and was clamped; the Monitor says so once.
  std::optional<std::string> intervalClampedFrom;
};

// Reads the file's text. A file holding any CR ends lines at CR LF or CR (a lone LF is part of a
// value); a file without CR ends lines at LF. A leading UTF-8 byte-order mark belongs to no value.
// Missing lines give empty values. A date line that is no date (or would not be written back as the
// same text) keeps base.lastUpdateDay.
ParsedSettings ParseSettingsFile(std::string_view text, Clock& clock, const Settings& base = {});

// The file's text: flags as " 1 "/" 0 ", texts as they are, the date through the clock, the URLs one
// per line, every line ended by CR LF.
std::string RenderSettingsFile(const Settings& settings, Clock& clock);
// The same, but every line whose value did not change from what previousText holds is written back
// byte for byte (its line end as CR LF).
std::string RenderSettingsFile(const Settings& settings, Clock& clock, std::string_view previousText);

// The first run's config.txt (bare "0" flags, the date "1/1/2014").
std::string DefaultSettingsText();

}  // namespace quorvane
