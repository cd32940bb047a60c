#pragma once

#include <string>

namespace quorvane {

class Program;

inline constexpr const char* kChangeLogFileName = "ipchange.log";

// Appends "MM-DD-YYYY HH:MM:SS: message" with CR LF to ipchange.log in the data folder; in developer
// mode the message is shown in a message box first. Failures lose the line, never stop the caller.
void LogEvent(Program& program, const std::string& message);
// ": External IP <lastExternalIP> changed to <txtExternalIP>" (and the same for the internal one).
void LogExternalIPChange(Program& program);
void LogInternalIPChange(Program& program);

}  // namespace quorvane
