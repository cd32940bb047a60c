#include "settings/Settings.h"

#include <string_view>
#include <vector>

#include "app/Program.h"
#include "settings/TextValue.h"

namespace quorvane {

namespace {

constexpr std::string_view kCrLf = "\r\n";

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

// A line ends at CR or at CR LF; a last line without an end still counts when it holds anything.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t cr = text.find('\r', start);
    if (cr == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, cr - start));
    start = cr + 1;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
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
  return text.size() >= 2 && text.substr(text.size() - 2) == kCrLf;
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
  ProgramState& state = program.state;
  if (state.dataFolder.empty()) return;

  // An unreadable file reads as an empty one: every control gets its empty value.
  const std::vector<std::string> lines =
      SplitLines(program.platform.ReadFile(ConfigPath(state)).value_or(""));
  auto line = [&lines](std::size_t number) -> std::string_view {
    return number <= lines.size() ? std::string_view(lines[number - 1]) : std::string_view();
  };

  if (const auto day = program.platform.ParseShortDate(std::string(line(kDateLine))))
    state.lastUpdateDate = *day;

  std::string urls;
  for (std::size_t number = kDateLine + 1; number <= lines.size(); ++number) AppendLine(urls, line(number));

  frmMain& form = program.form;
  // Setting the value runs the check box's change handler, which enables the provider fields.
  form.chkUpdateDynDNS.SetValue(FlagValue(line(kUpdateLine)));
  for (std::size_t i = 0; i < std::size(kTextLines); ++i)
    (form.*kTextLines[i]).SetText(TrimBlanks(line(kFirstTextLine + i)));
  form.chkExcessiveLogging.SetValue(FlagValue(TrimBlanks(line(kLoggingLine))));
  form.chkOffline.SetValue(FlagValue(TrimBlanks(line(kSuspendLine))));
  form.txtExternalIPURL.SetText(urls);
}

void SaveSettings(Program& program) {
  ProgramState& state = program.state;
  if (state.dataFolder.empty()) return;
  frmMain& form = program.form;

  // A list loaded from the file ends with CR LF; dropping one pair keeps the file's line count.
  std::string urls = form.txtExternalIPURL.Text();
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
  if (!program.platform.ReplaceFile(ConfigPath(state), content)) return;
  if (dropLineEnd) form.txtExternalIPURL.SetText(urls);
}

}  // namespace quorvane
