#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"
#include "platform/Platform.h"

namespace quorvane {

// The settings by readable name, for the console's settings commands: config.txt holds them by line
// number only, so nobody has to count lines in an editor.

inline constexpr const char* kMaskedPassword = "********";

struct NamedSetting {
  std::string name;
  std::string value;
};

// Every setting as `name` and its text, in config.txt's order: yes/no for the switches, the last
// update as a short date (or "never"), the echo URLs joined by commas. The password is masked unless
// showPassword.
std::vector<NamedSetting> NamedSettings(const Settings& settings, Clock& clock, bool showPassword);

// Sets one setting from "NAME=VALUE" text, checked as the window checks it: a service of the
// catalogue (any case, stored in its own spelling), a whole interval within the allowed range, the
// values the window offers, names without blanks or control characters, http:// or https:// URLs.
// nullopt when taken; otherwise the error, naming the setting, the value (escaped) and what is allowed.
std::optional<std::string> SetNamedSetting(Settings& settings, std::string_view assignment, Clock& clock);

}  // namespace quorvane
