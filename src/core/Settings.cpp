#include "core/Settings.h"

#include "platform/Calendar.h"

namespace quorvane {

Settings DefaultSettings() {
  Settings settings;
  settings.lastUpdateDay = DayNumberFromDate(2014, 1, 1);
  // The IP-echo services, tried in this order; the last one's page is cut by its own rule.
  settings.echoUrls = {"http://api.ipify.org/", "http://myip.dnsomatic.com/", "http://checkip.dyndns.org/"};
  return settings;
}

std::uint64_t ProviderFingerprint(const Settings& settings) {
  // FNV-1a over the fields, each closed by a NUL so that moving text between fields changes it.
  std::uint64_t hash = 14695981039346656037ull;
  for (const std::string* field :
       {&settings.service, &settings.userName, &settings.password, &settings.hostNames, &settings.system}) {
    for (const char c : *field + '\0') {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

Settings MergeSettings(const Settings& mine, const Settings& base, const Settings& theirs) {
  Settings merged = theirs;
  auto keepMine = [&](auto Settings::*field) {
    if (mine.*field != base.*field) merged.*field = mine.*field;
  };
  keepMine(&Settings::updateEnabled);
  keepMine(&Settings::service);
  keepMine(&Settings::userName);
  keepMine(&Settings::password);
  keepMine(&Settings::hostNames);
  keepMine(&Settings::system);
  keepMine(&Settings::mx);
  keepMine(&Settings::backupMx);
  keepMine(&Settings::wildcard);
  keepMine(&Settings::offline);
  keepMine(&Settings::intervalMinutes);
  keepMine(&Settings::logEverything);
  keepMine(&Settings::suspended);
  keepMine(&Settings::lastUpdateDay);
  keepMine(&Settings::echoUrls);
  keepMine(&Settings::notifyProblems);
  return merged;
}

}  // namespace quorvane
