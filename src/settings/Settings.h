#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

class Program;

inline constexpr const char* kConfigFileName = "config.txt";

// The values config.txt gives the main window, as the window holds them.
struct SettingsValues {
  int updateDynDNS = 0;
  std::array<std::string, 10> texts;  // lines 2 to 11, in file order
  int excessiveLogging = 0;
  int suspended = 0;
  std::int32_t lastUpdateDate = 0;
  std::string urls;  // the URL list without a trailing CR LF
  bool operator==(const SettingsValues&) const = default;
};

// config.txt as the program last read or wrote it: its bytes, to notice edits made to the file while
// the program runs, and the values the window had then, to tell the program's own changes from them.
struct SettingsBaseline {
  std::optional<std::string> fileText;  // nullopt: the file was never read or written
  SettingsValues values;
};

// config.txt: one value per line (CR LF), its meaning given by its line number; the main window's
// controls are the live values, read at start and written at the orderly stop.
void WriteDefaultSettings(Program& program);
void LoadSettings(Program& program);
// Writes the window's values. When the file was edited on disk since it was last read or written, the
// edits are taken in first (see ReloadSettings).
void SaveSettings(Program& program);
// Reads config.txt again into the window: every value the program has not changed itself since the
// file was last read or written takes the file's value; the program's own changes (an update's date,
// updates switched off after "badsys", the user's edits in the window) stay. No file: nothing changes.
void ReloadSettings(Program& program);

}  // namespace quorvane
