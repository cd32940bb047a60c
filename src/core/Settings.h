#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// The interval box's range in minutes. Shorter intervals hammer the echo services; longer ones would
// leave a changed address unpublished for more than a month.
inline constexpr int kMinimumIntervalMinutes = 2;
inline constexpr int kMaximumIntervalMinutes = 43200;

// Every setting the user keeps, typed. config.txt holds them in this order (see SettingsFile).
struct Settings {
  bool updateEnabled = false;           // "Update Dynamic DNS Entry at"
  std::string service = "DNS-O-Matic";  // a provider's display name as the user chose or typed it
  std::string userName;
  std::string password;
  std::string hostNames;  // one or more, comma-separated, as the provider takes them
  std::string system;
  std::string mx = "NOCHG";        // "" or "NOCHG" (or what the user typed)
  std::string backupMx = "NOCHG";  // "YES", "NO" or "NOCHG"
  std::string wildcard = "ON";     // "ON", "OFF" or "NOCHG"
  std::string offline = "NO";      // "YES" or "NO"
  int intervalMinutes = 5;         // always within the range above once read
  bool logEverything = false;
  bool suspended = false;             // "Offline/Suspend": no timed checks
  std::int32_t lastUpdateDay = 0;     // day number (days since 30 December 1899); 0 = never
  std::vector<std::string> echoUrls;  // tried in this order
  bool notifyProblems = true;         // preferences.txt: a desktop notice when the entry goes stale

  friend bool operator==(const Settings&, const Settings&) = default;
};

// The settings of a first run (the echo URLs and the last-update date included).
Settings DefaultSettings();

// A fingerprint of what a provider judges an update by (service, user name, password, host names,
// system). A refusal is compared with later settings through it, without keeping the password.
std::uint64_t ProviderFingerprint(const Settings& settings);

// Three-way merge, field by field: a field that `mine` changed since `base` keeps mine; every other
// field takes `theirs` (the file as edited on disk meanwhile).
Settings MergeSettings(const Settings& mine, const Settings& base, const Settings& theirs);

}  // namespace quorvane
