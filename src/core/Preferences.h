#pragma once

#include <string>
#include <string_view>

#include "core/Settings.h"

namespace quorvane {

// preferences.txt: the settings that config.txt's fixed format has no line for (its URL list runs to
// the end of the file), as "name=value" lines ended by CR LF. Lines it does not know are kept as they
// are, so that an older or newer copy of the program loses nothing of the other's.
inline constexpr const char* kPreferencesFileName = "preferences.txt";

// Takes the values the text holds into settings; a value that is none of the allowed ones, or a name
// that is missing, leaves the setting as it was.
void ReadPreferences(std::string_view text, Settings& settings);

// The file's text: previousText's lines in their order with ours written from settings (a second
// line of the same name dropped), ours that were missing added at the end.
std::string RenderPreferences(const Settings& settings, std::string_view previousText);

}  // namespace quorvane
