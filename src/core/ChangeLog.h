#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace quorvane {

inline constexpr const char* kChangeLogFileName = "ipchange.log";

// "MM-DD-YYYY HH:MM:SS: text", control characters of the text written visibly ("\r", "\n", "\t",
// "\xNN", C1 controls included) so that one event is always one line. No line end.
std::string ChangeLogLine(const LocalDateTime& now, std::string_view text);
// "External IP <old> changed to <new>" / "Internal IP <old> changed to <new>".
std::string ExternalChangeText(std::string_view oldAddress, std::string_view newAddress);
std::string InternalChangeText(std::string_view oldAddress, std::string_view newAddress);
// Appends the line with CR LF. False when it could not be written (the line is lost).
bool AppendChangeLogLine(Files& files, const std::string& logPath, const std::string& line);
// Control characters (C0, DEL and the C1 range 0x80-0x9F as UTF-8 "\xc2\x80".."\xc2\x9f") written
// visibly; everything else unchanged.
std::string VisibleControlCharacters(std::string_view text);

}  // namespace quorvane
