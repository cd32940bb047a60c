#pragma once

#include <string>

namespace quorvane {

class Program;

inline constexpr const char* kConfigFileName = "config.txt";

// config.txt: one value per line (CR LF), its meaning given by its line number; the main window's
// controls are the live values, read at start and written at the orderly stop.
void WriteDefaultSettings(Program& program);
void LoadSettings(Program& program);
void SaveSettings(Program& program);

}  // namespace quorvane
