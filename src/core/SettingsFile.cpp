#include "core/SettingsFile.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "core/Text.h"

namespace quorvane {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kDateLine = 14;

// The first run's file, line by line (flags and the date as bare text).
constexpr const char* kDefaultLines[] = {
    "0",
    "DNS-O-Matic",
    "",
    "",
    "",
    "",
    "NOCHG",
    "NOCHG",
    "ON",
    "NO",
    "5",
    "0",
    "0",
    "1/1/2014",
    "http://api.ipify.org/",
    "http://myip.dnsomatic.com/",
    "http://checkip.dyndns.org/",
};

// Lines 2 to 10: texts, in file order.
constexpr std::string Settings::*kTextLines[] = {
    &Settings::service, &Settings::userName, &Settings::password, &Settings::hostNames, &Settings::system,
    &Settings::mx,      &Settings::backupMx, &Settings::wildcard, &Settings::offline,
};

struct FileLines {
  bool byteOrderMark = false;
  std::vector<std::string_view> lines;
};

// A file holding any CR ends its lines at CR LF or CR, and a lone LF belongs to the value (the program
// writes CR LF, and a value may hold an LF); only a file without any CR ends them at LF. A last line
// without an end counts when it holds anything.
FileLines SplitLines(std::string_view text) {
  FileLines file;
  if (text.starts_with(kByteOrderMark)) {
    text.remove_prefix(kByteOrderMark.size());
    file.byteOrderMark = true;
  }
  const char lineEnd = text.find('\r') != std::string_view::npos ? '\r' : '\n';
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(lineEnd, start), text.size());
    file.lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (lineEnd == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return file;
}

// A flag line holds a whole number; only 1 sets the flag.
bool FlagValue(std::string_view line) {
  return RoundHalfEven(LeadingNumber(line)) == 1;
}

// Flags are written in line-print style: a blank in place of the plus sign and one after.
std::string FlagText(bool set) {
  return set ? " 1 " : " 0 ";
}

// Line breaks a value may hold: an LF stays (the file's CR LF line ends keep it inside the value),
// a CR would end the line early.
std::string WithoutCr(std::string value) {
  std::erase(value, '\r');
  return value;
}

int ClampInterval(long minutes) {
  return static_cast<int>(std::clamp<long>(minutes, kMinimumIntervalMinutes, kMaximumIntervalMinutes));
}

ParsedSettings ParseLines(const FileLines& file, Clock& clock, const Settings& base) {
  auto line = [&file](std::size_t number) -> std::string_view {
    return number <= file.lines.size() ? file.lines[number - 1] : std::string_view();
  };
  ParsedSettings parsed;
  Settings& s = parsed.settings;
  s.updateEnabled = FlagValue(line(1));
  for (std::size_t i = 0; i < std::size(kTextLines); ++i) s.*kTextLines[i] = TrimBlanks(line(2 + i));
  const std::string interval = TrimBlanks(line(11));
  const long minutes = RoundHalfEven(LeadingNumber(interval));
  s.intervalMinutes = ClampInterval(minutes);
  if (!IsNumeric(interval) || s.intervalMinutes != minutes) parsed.intervalClampedFrom = interval;
  s.logEverything = FlagValue(TrimBlanks(line(12)));
  s.suspended = FlagValue(TrimBlanks(line(13)));
  // A date that would not be written back as the same day counts as no date, so that a load and a
  // save always give the same file as the next load and save.
  s.lastUpdateDay = base.lastUpdateDay;
  if (const auto day = clock.ParseShortDate(std::string(line(kDateLine)));
      day && clock.ParseShortDate(clock.FormatShortDate(*day)) == day)
    s.lastUpdateDay = *day;
  for (std::size_t i = kDateLine; i < file.lines.size(); ++i) s.echoUrls.emplace_back(file.lines[i]);
  return parsed;
}

std::vector<std::string> RenderedLines(const Settings& s, Clock& clock) {
  std::vector<std::string> lines;
  lines.push_back(FlagText(s.updateEnabled));
  for (std::string Settings::*text : kTextLines) lines.push_back(WithoutCr(s.*text));
  lines.push_back(std::to_string(s.intervalMinutes));
  lines.push_back(FlagText(s.logEverything));
  lines.push_back(FlagText(s.suspended));
  lines.push_back(clock.FormatShortDate(s.lastUpdateDay));
  for (const std::string& url : s.echoUrls) lines.push_back(WithoutCr(url));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + std::string(kCrLf);
  return text;
}

// Which of lines 1 to 14 hold the same value in both settings.
std::vector<bool> SameHeadValues(const Settings& a, const Settings& b) {
  std::vector<bool> same{a.updateEnabled == b.updateEnabled};
  for (std::string Settings::*text : kTextLines) same.push_back(a.*text == b.*text);
  same.push_back(a.intervalMinutes == b.intervalMinutes);
  same.push_back(a.logEverything == b.logEverything);
  same.push_back(a.suspended == b.suspended);
  same.push_back(a.lastUpdateDay == b.lastUpdateDay);
  return same;
}

}  // namespace

ParsedSettings ParseSettingsFile(std::string_view text, Clock& clock, const Settings& base) {
  return ParseLines(SplitLines(text), clock, base);
}

std::string RenderSettingsFile(const Settings& settings, Clock& clock) {
  return JoinLines(RenderedLines(settings, clock));
}

std::string RenderSettingsFile(const Settings& settings, Clock& clock, std::string_view previousText) {
  const FileLines previous = SplitLines(previousText);
  // A date line that is no date never matches (the base day cannot be a real one).
  Settings noDate;
  noDate.lastUpdateDay = std::numeric_limits<std::int32_t>::min();
  const ParsedSettings before = ParseLines(previous, clock, noDate);
  std::vector<std::string> lines = RenderedLines(settings, clock);
  const std::vector<bool> same = SameHeadValues(settings, before.settings);
  for (std::size_t i = 0; i < same.size() && i < previous.lines.size(); ++i) {
    // A clamped interval line is rewritten, so the next start does not clamp it again.
    const bool clampedInterval = i + 1 == 11 && before.intervalClampedFrom;
    if (same[i] && !clampedInterval) lines[i] = std::string(previous.lines[i]);
  }
  if (settings.echoUrls == before.settings.echoUrls && previous.lines.size() > kDateLine) {
    lines.resize(kDateLine);
    for (std::size_t i = kDateLine; i < previous.lines.size(); ++i) lines.emplace_back(previous.lines[i]);
  }
  return (previous.byteOrderMark ? std::string(kByteOrderMark) : std::string()) + JoinLines(lines);
}

std::string DefaultSettingsText() {
  std::string text;
  for (const char* line : kDefaultLines) text += std::string(line) + std::string(kCrLf);
  return text;
}

}  // namespace quorvane
