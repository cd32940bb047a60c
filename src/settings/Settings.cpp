#include "settings/Settings.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/Program.h"
#include "log/ChangeLog.h"
#include "settings/TextValue.h"

namespace quorvane {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kReloadedMessage = "Settings re-read from config.txt.";

// The default file of a first run, line by line.
constexpr const char* kDefaultLines[] = {
    "0",                      // update Dynamic DNS
    "DNS-O-Matic",            // service
    "",                       // user name
    "",                       // password
    "",                       // host name(s)
    "",                       // system
    "NOCHG",                  // MX
    "NOCHG",                  // backup MX
    "ON",                     // wildcard
    "NO",                     // offline
    "5",                      // check interval, minutes
    "0",                      // log everything
    "0",                      // suspended
    "1/1/2014",               // last update date
    "http://api.ipify.org/",  // IP-echo services, tried in this order
    "http://myip.dnsomatic.com/",
    "http://checkip.dyndns.org/",
};

// Lines 2 to 11: texts, in file order.
constexpr Control frmMain::*kTextLines[] = {
    &frmMain::cmbDDNSservice, &frmMain::txtDDNSusername, &frmMain::txtDDNSpassword, &frmMain::txtDDNShostname,
    &frmMain::txtDDNSsystem,  &frmMain::cmbDDNSmx,       &frmMain::cmbDDNSbackMX,   &frmMain::cmbDDNSwildcard,
    &frmMain::cmbDDNSoffline, &frmMain::txtInterval,
};

constexpr std::size_t kUpdateLine = 1;
constexpr std::size_t kFirstTextLine = 2;
constexpr std::size_t kLoggingLine = 12;
constexpr std::size_t kSuspendLine = 13;
constexpr std::size_t kDateLine = 14;

std::string ConfigPath(const ProgramState& state) {
  return state.dataFolder + kConfigFileName;
}

// A flag line holds a whole number; only 1 sets the flag, anything else leaves it clear.
int FlagValue(std::string_view line) {
  return RoundHalfEven(LeadingNumber(line)) == 1 ? 1 : 0;
}

// Numbers are written in line-print style: a blank in place of the plus sign and one after.
std::string FlagText(int value) {
  return (value >= 0 ? " " : "") + std::to_string(value) + " ";
}

void AppendLine(std::string& content, std::string_view line) {
  content += line;
  content += kCrLf;
}

bool EndsWithCrLf(std::string_view text) {
  return text.ends_with(kCrLf);
}

// Every line end as CR LF: a multi-line field may hold the toolkit's own line ends.
std::string WithCrLfLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      result += text[i];
      continue;
    }
    result += kCrLf;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return result;
}

std::string WithoutTrailingCrLf(std::string text) {
  if (EndsWithCrLf(text)) text.resize(text.size() - kCrLf.size());
  return text;
}

// The file's first 14 lines, and the rest as the URL list text: each further line followed by CR LF.
struct FileLines {
  std::vector<std::string> head;
  std::string urls;
};

// A line ends at CR, at LF or at CR LF (files saved by editors elsewhere end lines with LF alone); a
// last line without an end still counts when it holds anything. A leading UTF-8 byte-order mark, which
// some editors put in front, belongs to no value.
FileLines SplitFileLines(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  FileLines lines;
  std::size_t start = 0;
  while (start < text.size() && lines.head.size() < kDateLine) {
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    lines.head.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  // Built without a copy per line: a huge file of empty lines must not cost memory per line.
  if (start < text.size()) lines.urls = WithCrLfLineEnds(text.substr(start));
  if (!lines.urls.empty() && !EndsWithCrLf(lines.urls)) lines.urls += kCrLf;
  return lines;
}

SettingsValues ValuesOfWindow(const Program& program) {
  const frmMain& form = program.form;
  SettingsValues values;
  values.updateDynDNS = form.chkUpdateDynDNS.Value();
  for (std::size_t i = 0; i < std::size(kTextLines); ++i) values.texts[i] = (form.*kTextLines[i]).Text();
  values.excessiveLogging = form.chkExcessiveLogging.Value();
  values.suspended = form.chkOffline.Value();
  values.lastUpdateDate = program.state.lastUpdateDate;
  // The check cycle drops the list's trailing line end when it runs; that is no change of the list.
  values.urls = WithoutTrailingCrLf(form.txtExternalIPURL.Text());
  return values;
}

// Puts the file's values into the window, as LoadSettings describes, and remembers them.
void ApplyFileText(Program& program, std::optional<std::string> text) {
  ProgramState& state = program.state;
  // An unreadable file reads as an empty one: every control gets its empty value.
  FileLines lines = SplitFileLines(text.value_or(""));
  auto line = [&lines](std::size_t number) -> std::string_view {
    return number <= lines.head.size() ? std::string_view(lines.head[number - 1]) : std::string_view();
  };

  // A date that would not be written back as the same text counts as no date, so that a load and a
  // save always give the same file as the next load and save.
  Platform& platform = program.platform;
  if (const auto day = platform.ParseShortDate(std::string(line(kDateLine)));
      day && platform.ParseShortDate(platform.FormatShortDate(*day)) == day)
    state.lastUpdateDate = *day;

  frmMain& form = program.form;
  // Setting the value runs the check box's change handler, which enables the provider fields.
  form.chkUpdateDynDNS.SetValue(FlagValue(line(kUpdateLine)));
  for (std::size_t i = 0; i < std::size(kTextLines); ++i)
    (form.*kTextLines[i]).SetText(TrimBlanks(line(kFirstTextLine + i)));
  form.chkExcessiveLogging.SetValue(FlagValue(TrimBlanks(line(kLoggingLine))));
  form.chkOffline.SetValue(FlagValue(TrimBlanks(line(kSuspendLine))));
  form.txtExternalIPURL.SetText(std::move(lines.urls));
  state.settingsBaseline = SettingsBaseline{std::move(text), ValuesOfWindow(program)};
}

// Takes in the file's values for everything the program left as it was when the file was last read
// or written; what the program changed since then stays.
void MergeFileText(Program& program, std::string text) {
  const SettingsValues current = ValuesOfWindow(program);
  const SettingsValues before = program.state.settingsBaseline.values;
  const std::string currentUrls = program.form.txtExternalIPURL.Text();
  ApplyFileText(program, std::move(text));

  frmMain& form = program.form;
  if (current.updateDynDNS != before.updateDynDNS) form.chkUpdateDynDNS.SetValue(current.updateDynDNS);
  for (std::size_t i = 0; i < std::size(kTextLines); ++i)
    if (current.texts[i] != before.texts[i]) (form.*kTextLines[i]).SetText(current.texts[i]);
  if (current.excessiveLogging != before.excessiveLogging)
    form.chkExcessiveLogging.SetValue(current.excessiveLogging);
  if (current.suspended != before.suspended) form.chkOffline.SetValue(current.suspended);
  if (current.lastUpdateDate != before.lastUpdateDate) program.state.lastUpdateDate = current.lastUpdateDate;
  if (current.urls != before.urls) form.txtExternalIPURL.SetText(currentUrls);
}

}  // namespace

void WriteDefaultSettings(Program& program) {
  // Without a data folder the path would be relative to wherever the program happened to start.
  if (program.state.dataFolder.empty()) return;
  std::string content;
  for (const char* line : kDefaultLines) AppendLine(content, line);
  program.platform.ReplaceFile(ConfigPath(program.state), content);
}

void LoadSettings(Program& program) {
  if (program.state.dataFolder.empty()) return;
  ApplyFileText(program, program.platform.ReadFile(ConfigPath(program.state)));
}

void ReloadSettings(Program& program) {
  if (program.state.dataFolder.empty()) return;
  std::optional<std::string> text = program.platform.ReadFile(ConfigPath(program.state));
  if (!text) return;
  if (program.state.settingsBaseline.fileText)
    MergeFileText(program, std::move(*text));
  else
    ApplyFileText(program, std::move(text));
  if (program.form.chkExcessiveLogging.Checked()) LogEvent(program, kReloadedMessage);
}

void SaveSettings(Program& program) {
  ProgramState& state = program.state;
  if (state.dataFolder.empty()) return;
  frmMain& form = program.form;

  // Edits made to the file while the program ran are not overwritten but taken in.
  const std::string path = ConfigPath(state);
  if (state.settingsBaseline.fileText) {
    std::optional<std::string> onDisk = program.platform.ReadFile(path);
    if (onDisk && *onDisk != *state.settingsBaseline.fileText) MergeFileText(program, std::move(*onDisk));
  }

  // A list loaded from the file ends with CR LF; dropping one pair keeps the file's line count.
  std::string urls = WithCrLfLineEnds(form.txtExternalIPURL.Text());
  const bool dropLineEnd = EndsWithCrLf(urls);
  if (dropLineEnd) urls.resize(urls.size() - kCrLf.size());

  std::string content;
  AppendLine(content, FlagText(form.chkUpdateDynDNS.Value()));
  for (Control frmMain::*text : kTextLines) AppendLine(content, (form.*text).Text());
  AppendLine(content, FlagText(form.chkExcessiveLogging.Value()));
  AppendLine(content, FlagText(form.chkOffline.Value()));
  AppendLine(content, program.platform.FormatShortDate(state.lastUpdateDate));
  AppendLine(content, urls);

  // The file is replaced whole, so a failed save leaves the previous settings intact; the list
  // field is trimmed only once its text is safely on disk.
  if (!program.platform.ReplaceFile(path, content)) return;
  if (dropLineEnd) form.txtExternalIPURL.SetText(urls);
  state.settingsBaseline = SettingsBaseline{std::move(content), ValuesOfWindow(program)};
}

}  // namespace quorvane
