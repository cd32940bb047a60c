#include "log/ChangeLog.h"

#include "app/Calendar.h"
#include "app/Program.h"
#include "app/Version.h"

namespace quorvane {

namespace {

constexpr const char* kExternalChangeStart = "External IP ";
constexpr const char* kInternalChangeStart = "Internal IP ";
constexpr const char* kChangedTo = " changed to ";

// Control characters of the text written visibly ("\r", "\n", "\t", "\xNN"), so that a text from
// outside (a provider's answer) can neither end its line early nor forge a line of its own: one event
// is always one line. Backslashes stay as they are, so ordinary texts read unchanged.
std::string WithVisibleControlCharacters(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    }
  }
  return shown;
}

// One line per call, the file opened and closed around it, so the log can be read, moved or
// deleted at any time while the program runs. A line that cannot be written is lost silently.
void WriteLogLine(Program& program, const std::string& text) {
  // One clock reading for date and time, so a line written at midnight cannot mix two days.
  const LocalDateTime now = program.platform.Now();
  const std::string line =
      FormatLogDate(now) + " " + FormatLogTime(now) + ": " + WithVisibleControlCharacters(text);
  if (!program.state.dataFolder.empty())
    program.platform.AppendToFile(program.state.dataFolder + kChangeLogFileName, line + "\r\n");
  program.desktop.ChangeLogLine(line);
}

}  // namespace

void LogEvent(Program& program, const std::string& message) {
  if (program.state.debugMode) program.desktop.MessageBox(message, kVersion.productName);
  WriteLogLine(program, message);
}

void LogExternalIPChange(Program& program) {
  WriteLogLine(program, kExternalChangeStart + program.state.lastExternalIP + kChangedTo +
                            program.form.txtExternalIP.Text());
}

void LogInternalIPChange(Program& program) {
  WriteLogLine(program, kInternalChangeStart + program.state.lastInternalIP + kChangedTo +
                            program.form.txtInternalIP.Text());
}

}  // namespace quorvane
