#include "app/SettingsCommands.h"

#include "app/Monitor.h"
#include "core/ChangeLog.h"
#include "core/OwedUpdate.h"
#include "core/Preferences.h"
#include "core/Providers.h"
#include "core/SettingNames.h"
#include "core/SettingsFile.h"

namespace quorvane {

namespace {

constexpr const char* kUnreadable = "config.txt exists but cannot be read; nothing was changed.\n";
constexpr const char* kNotSaved = "The settings could not be saved to ";
constexpr const char* kSaved = "Settings saved to ";
constexpr const char* kRunningCopyTold = "The running copy (process ";
constexpr const char* kReadsThemNow = ") re-reads them now.\n";
constexpr const char* kNoPassword =
    "password: nothing could be read from standard input; nothing was changed.\n";
constexpr const char* kPasswordFromInput = "password=-";

// config.txt as it stands: its text and settings, the first run's when there is none yet.
struct StoredSettings {
  std::string text;
  Settings settings;
  bool unreadable = false;
  std::optional<std::string> preferences;  // preferences.txt, when there is one
};

StoredSettings ReadStored(Platform& platform, const std::string& folder) {
  const std::string path = folder + kConfigFileName;
  StoredSettings stored{DefaultSettingsText(), {}, false, std::nullopt};
  if (platform.FileExists(path)) {
    const std::optional<std::string> text = platform.ReadFile(path);
    if (!text) return {{}, {}, true, std::nullopt};
    stored.text = *text;
  }
  stored.settings = ParseSettingsFile(stored.text, platform).settings;
  stored.preferences = platform.ReadFile(folder + kPreferencesFileName);
  ReadPreferences(stored.preferences.value_or(""), stored.settings);
  return stored;
}

std::string Line(const std::string& name, const std::string& value) {
  return name + " = " + VisibleControlCharacters(value) + "\n";
}

std::string OwedText(const OwedUpdate& owed, const Settings& settings) {
  switch (owed.kind) {
    case OwedKind::None:
      return "no";
    case OwedKind::Retry:
      return "yes (no answer or a temporary failure: sent again at the next check)";
    case OwedKind::Refused:
      return RefusalStands(owed, settings)
                 ? "yes (refused by the provider: sent again once the service, user name, password, host "
                   "names or system change)"
                 : "yes (refused, but the settings changed since: sent at the next check)";
  }
  return "no";
}

}  // namespace

CommandOutcome ListProviders() {
  CommandOutcome outcome;
  for (const ProviderEntry& entry : ProviderCatalogue())
    outcome.out += entry.displayName + " = " + entry.updateHost + "\n";
  return outcome;
}

CommandOutcome ShowSettings(Platform& platform, const std::string& folder, bool showPassword) {
  const StoredSettings stored = ReadStored(platform, folder);
  if (stored.unreadable) return {1, {}, kUnreadable};
  CommandOutcome outcome;
  for (const NamedSetting& setting : NamedSettings(stored.settings, platform, showPassword))
    outcome.out += Line(setting.name, setting.value);
  return outcome;
}

CommandOutcome SetSettings(Platform& platform, const std::string& folder,
                           const std::vector<std::string>& assignments,
                           const std::function<std::optional<std::string>()>& readPassword) {
  StoredSettings stored = ReadStored(platform, folder);
  if (stored.unreadable) return {1, {}, kUnreadable};
  Settings settings = stored.settings;
  CommandOutcome outcome;
  for (const std::string& assignment : assignments) {
    std::string given = assignment;
    if (assignment == kPasswordFromInput) {
      std::optional<std::string> password = readPassword();
      if (!password) return {kExitRefused, {}, kNoPassword};
      while (!password->empty() && (password->back() == '\n' || password->back() == '\r'))
        password->pop_back();
      given = "password=" + *password;
    }
    if (const std::optional<std::string> refused = SetNamedSetting(settings, given, platform))
      outcome.err += *refused + "\n";
  }
  if (!outcome.err.empty()) {
    outcome.status = kExitRefused;
    return outcome;
  }
  platform.CreateFolder(folder);
  // One writer per folder: with no copy running this command holds the folder while it writes; a
  // running copy is told to re-read the file (its own changes stay, and it merges at its stop).
  const FolderClaimResult claim = platform.ClaimFolder(folder);
  const std::string path = folder + kConfigFileName;
  if (!platform.ReplaceFile(path, RenderSettingsFile(settings, platform, stored.text)))
    return {1, {}, kNotSaved + path + ".\n"};
  const std::string preferencesPath = folder + kPreferencesFileName;
  if ((stored.preferences || settings.notifyProblems != stored.settings.notifyProblems) &&
      !platform.ReplaceFile(preferencesPath, RenderPreferences(settings, stored.preferences.value_or(""))))
    return {1, {}, kNotSaved + preferencesPath + ".\n"};
  outcome.out = kSaved + path + ".\n";
  if (claim.outcome == ClaimOutcome::InUse)
    if (const int holder = platform.AskHolderToReload(folder); holder != 0)
      outcome.out += kRunningCopyTold + std::to_string(holder) + kReadsThemNow;
  return outcome;
}

CommandOutcome ShowStatus(Platform& platform, const std::string& folder) {
  const StoredSettings stored = ReadStored(platform, folder);
  const std::string ipText = platform.ReadFile(folder + kIpFileName).value_or("");
  const std::size_t lineEnd = ipText.find("\r\n");
  const std::string external = ipText.substr(0, lineEnd);
  const std::string internal =
      lineEnd == std::string::npos
          ? ""
          : ipText.substr(lineEnd + 2, ipText.find("\r\n", lineEnd + 2) - lineEnd - 2);
  const OwedUpdate owed = ParseOwedUpdate(platform.ReadFile(folder + kOwedUpdateFileName).value_or(""));
  const FolderClaimResult claim = platform.ClaimFolder(folder);
  CommandOutcome outcome;
  outcome.out = Line("external", external.empty() ? "unknown" : external) +
                Line("internal", internal.empty() ? "unknown" : internal) +
                Line("last-update", stored.settings.lastUpdateDay == 0
                                        ? "never"
                                        : platform.FormatShortDate(stored.settings.lastUpdateDay)) +
                Line("owed-update", OwedText(owed, stored.settings)) +
                Line("running", claim.outcome == ClaimOutcome::InUse ? "yes" : "no");
  return outcome;
}

}  // namespace quorvane
