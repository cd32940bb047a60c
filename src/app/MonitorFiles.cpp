// The Monitor's files: config.txt (read at start, merged and written at the stop), ip.txt (rewritten
// by every check), owed-update.txt and the change log.

#include <vector>

#include "app/MonitorState.h"
#include "core/ChangeLog.h"
#include "core/Preferences.h"
#include "core/SettingsFile.h"
#include "core/Text.h"

namespace quorvane {

namespace {

constexpr const char* kFirstRunMessage =
    "First run under new user account. Creating default config.txt file.";
constexpr const char* kReloadedMessage = "Settings re-read from config.txt.";
constexpr const char* kUnreadableConfig =
    "config.txt exists but cannot be read; running with default settings, and config.txt is left as it is.";
constexpr const char* kIntervalClampStart = "Check interval \"";
constexpr const char* kIntervalClampMiddle = "\" is outside 2 to 43200 minutes; checking every ";
constexpr const char* kIntervalClampEnd = " minutes.";
constexpr const char* kOwedDropped = "Dynamic DNS updates are switched off: the owed DDNS update is dropped.";
constexpr const char* kIpFileProblem =
    "ip.txt could not be written: the last known addresses will not survive a restart.";
constexpr const char* kOwedFileProblem =
    "owed-update.txt could not be written: an owed DDNS update may be lost or sent again after a restart.";
constexpr const char* kChangeLogProblem =
    "ipchange.log could not be written (a read-only folder, or no file under that name): changes are not "
    "logged.";
constexpr const char* kSaveReason =
    "the file could not be replaced (no permission, a read-only folder or a full disk)";
constexpr const char* kCrLf = "\r\n";

std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = std::min(text.find('\n', from), text.size());
    std::string_view line = text.substr(from, end - from);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

}  // namespace

std::string Monitor::Worker::PathOf(std::string_view fileName) const {
  return config.dataFolder + std::string(fileName);
}

void Monitor::Worker::LogLine(const std::string& text) {
  // One clock reading for date and time, so a line written at midnight cannot mix two days.
  const std::string line = ChangeLogLine(platform.Now(), text);
  const bool written =
      config.dataFolder.empty() || AppendChangeLogLine(platform, PathOf(kChangeLogFileName), line);
  Emit(events.changeLogLine, line);
  // A read-only folder, or a folder or FIFO under the log's name: said once, the lines still shown.
  if (!written) Problem(changeLogProblemSaid, kChangeLogProblem);
}

void Monitor::Worker::LogEvent(const std::string& text) {
  if (config.developerMode) Emit(events.developerMessage, text);
  LogLine(text);
}

void Monitor::Worker::LogIfEverything(const std::string& text) {
  if (settings.logEverything) LogEvent(text);
}

void Monitor::Worker::Problem(bool& said, const std::string& message) {
  if (said) return;
  said = true;
  LogEvent(message);
  Emit(events.problem, message);
}

// One copy writes a folder at a time: two would lose each other's saves, and two one-shot runs
// would both send the update.
bool Monitor::Worker::ClaimDataFolder() {
  constexpr int kRetryMs = 100;
  platform.CreateFolder(config.dataFolder);
  for (int waited = 0;; waited += kRetryMs) {
    FolderClaimResult result = platform.ClaimFolder(config.dataFolder);
    if (result.outcome != ClaimOutcome::InUse) {
      folderClaim = std::move(result.claim);
      return true;
    }
    if (waited >= config.folderWaitMs || platform.StopRequested()) return false;
    platform.Sleep(kRetryMs);
  }
}

MonitorLoad Monitor::Worker::Load() {
  MonitorLoad load;
  if (!config.dataFolder.empty() && !ClaimDataFolder()) {
    load.folderInUse = true;
    config.dataFolder.clear();
  }
  if (!config.dataFolder.empty()) {
    platform.RemoveStaleTempFiles(config.dataFolder, {kConfigFileName, kIpFileName, kOwedUpdateFileName});
    // A folder without any ordinary file is a first run: one that still holds the log or ip.txt is
    // not, even when config.txt is gone (it is then written at the stop).
    if (!platform.FolderHasOrdinaryFiles(config.dataFolder)) {
      load.firstRun = true;
      LogEvent(kFirstRunMessage);
      platform.ReplaceFile(PathOf(kConfigFileName), DefaultSettingsText());
    }
    LoadConfig(load);
    if (const std::optional<std::string> text = platform.ReadFile(PathOf(kPreferencesFileName))) {
      ReadPreferences(*text, settings);
      fileSettings.notifyProblems = settings.notifyProblems;
    }
    const std::string ipText = platform.ReadFile(PathOf(kIpFileName)).value_or("");
    const std::vector<std::string_view> lines = TextLines(ipText);
    if (!lines.empty()) lastExternal = SeenAddress::FromText(TrimBlanks(lines[0]));
    if (lines.size() > 1) lastInternal = SeenAddress::FromText(TrimBlanks(lines[1]));
    owed = ParseOwedUpdate(platform.ReadFile(PathOf(kOwedUpdateFileName)).value_or(""));
    DropOwedWhenUpdatesOff();
  }
  ShowAddresses(lastExternal, lastInternal);
  load.settings = settings;
  return load;
}

void Monitor::Worker::LoadConfig(MonitorLoad& load) {
  const std::string path = PathOf(kConfigFileName);
  if (!platform.FileExists(path)) return;  // the built-in values; written at the stop
  fileText = platform.ReadFile(path);
  if (!fileText) {
    // Never replaced by what the program holds: the user's settings are in there.
    configUnreadable = true;
    settings = DefaultSettings();
    load.problem = kUnreadableConfig;
    LogEvent(kUnreadableConfig);
    return;
  }
  const ParsedSettings parsed = ParseSettingsFile(*fileText, platform, settings);
  settings = fileSettings = parsed.settings;
  if (parsed.intervalClampedFrom)
    LogEvent(kIntervalClampStart + *parsed.intervalClampedFrom + kIntervalClampMiddle +
             std::to_string(settings.intervalMinutes) + kIntervalClampEnd);
}

void Monitor::Worker::ApplySettings(Settings edited) {
  // The date of the last update is the Monitor's own: the window's copy may be older.
  edited.lastUpdateDay = settings.lastUpdateDay;
  // A lower interval that the count has reached already checks at the next tick.
  if (edited.intervalMinutes != settings.intervalMinutes && minuteCount >= edited.intervalMinutes)
    minuteCount = edited.intervalMinutes - 1;
  if (edited.echoUrls != settings.echoUrls) emptyListSaid = false;
  if (edited.service != settings.service) unknownServiceSaid = false;
  settings = std::move(edited);
  DropOwedWhenUpdatesOff();
}

void Monitor::Worker::DropOwedWhenUpdatesOff() {
  if (settings.updateEnabled || owed.kind == OwedKind::None) return;
  SetOwed(OwedUpdate{});
  LogEvent(kOwedDropped);
}

void Monitor::Worker::Reload() {
  if (config.dataFolder.empty() || configUnreadable) return;
  std::optional<std::string> text = platform.ReadFile(PathOf(kConfigFileName));
  if (!text) return;
  Settings theirs = ParseSettingsFile(*text, platform, fileSettings).settings;
  ReadPreferences(platform.ReadFile(PathOf(kPreferencesFileName)).value_or(""), theirs);
  // What the program changed since the file was last read or written stays; the rest is the file's.
  settings = fileText ? MergeSettings(settings, fileSettings, theirs) : theirs;
  fileText = std::move(text);
  fileSettings = theirs;
  Emit(events.settingsChanged, settings);
  DropOwedWhenUpdatesOff();
  LogIfEverything(kReloadedMessage);
}

SaveResult Monitor::Worker::Save() {
  if (config.dataFolder.empty() || configUnreadable) return {};
  const std::string path = PathOf(kConfigFileName);
  const std::optional<std::string> onDisk = platform.ReadFile(path);
  Settings toWrite = settings;
  // Edits made to the file while the program ran are taken in, not overwritten.
  if (fileText && onDisk && *onDisk != *fileText)
    toWrite =
        MergeSettings(settings, fileSettings, ParseSettingsFile(*onDisk, platform, fileSettings).settings);
  const std::optional<std::string> previous = onDisk ? onDisk : fileText;
  const std::string text =
      previous ? RenderSettingsFile(toWrite, platform, *previous) : RenderSettingsFile(toWrite, platform);
  if (text != onDisk && !platform.ReplaceFile(path, text)) return {false, path, kSaveReason};
  // preferences.txt, only once it holds something: the same merge, its unknown lines kept.
  const std::string preferencesPath = PathOf(kPreferencesFileName);
  const std::optional<std::string> preferences = platform.ReadFile(preferencesPath);
  Settings theirs = fileSettings;
  ReadPreferences(preferences.value_or(""), theirs);
  if (settings.notifyProblems == fileSettings.notifyProblems) toWrite.notifyProblems = theirs.notifyProblems;
  const std::string preferencesText = RenderPreferences(toWrite, preferences.value_or(""));
  if ((preferences || toWrite.notifyProblems != Settings{}.notifyProblems) &&
      preferencesText != preferences && !platform.ReplaceFile(preferencesPath, preferencesText))
    return {false, preferencesPath, kSaveReason};
  fileText = text;
  fileSettings = settings = toWrite;
  return {};
}

void Monitor::Worker::WriteIpFile(const SeenAddress& external, const SeenAddress& internal) {
  // Without a data folder the path would name a file in the working directory: write nothing.
  if (config.dataFolder.empty()) return;
  if (!platform.ReplaceFile(PathOf(kIpFileName), external.Text() + kCrLf + internal.Text() + kCrLf))
    Problem(ipFileProblemSaid, kIpFileProblem);
}

void Monitor::Worker::SetOwed(const OwedUpdate& next) {
  if (next == owed) return;
  owed = next;
  if (config.dataFolder.empty()) return;
  const std::string path = PathOf(kOwedUpdateFileName);
  const bool written = owed.kind == OwedKind::None ? platform.DeleteFile(path) || !platform.FileExists(path)
                                                   : platform.ReplaceFile(path, RenderOwedUpdate(owed));
  if (!written) Problem(owedFileProblemSaid, kOwedFileProblem);
}

}  // namespace quorvane
