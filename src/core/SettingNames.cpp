#include "core/SettingNames.h"

#include <algorithm>
#include <charconv>
#include <functional>

#include "core/ChangeLog.h"
#include "core/Providers.h"

namespace quorvane {

namespace {

constexpr const char* kYes = "yes";
constexpr const char* kNo = "no";
constexpr const char* kNever = "never";

std::string Upper(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return result;
}

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

// One word: a blank would split it where the provider or config.txt reads it.
bool IsWord(std::string_view text) {
  return !HasControl(text) && text.find(' ') == std::string_view::npos;
}

// The value in its stored form, or nullopt when it is none of the choices (any case).
std::optional<std::string> Choice(std::string_view value, const std::vector<const char*>& choices) {
  const std::string upper = Upper(value);
  for (const char* choice : choices)
    if (upper == choice) return upper;
  return std::nullopt;
}

std::optional<bool> YesNo(std::string_view value) {
  const std::optional<std::string> choice = Choice(value, {"YES", "NO"});
  if (!choice) return std::nullopt;
  return *choice == "YES";
}

std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> parts;
  for (std::size_t from = 0;;) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    parts.emplace_back(text.substr(from, comma - from));
    if (comma == text.size()) return parts;
    from = comma + 1;
  }
}

bool IsEchoUrl(std::string_view url) {
  const std::string scheme = Upper(url.substr(0, 8));
  const std::size_t length = scheme.starts_with("HTTP://") ? 7 : scheme.starts_with("HTTPS://") ? 8 : 0;
  return length > 0 && url.size() > length && IsWord(url);
}

// A setting's name, how it is shown, and how it is set: `set` returns false when the value is refused.
struct NameEntry {
  const char* name;
  const char* allowed;
  std::function<std::string(const Settings&, Clock&)> show;
  std::function<bool(Settings&, std::string_view, Clock&)> set;
};

NameEntry Switch(const char* name, bool Settings::*field) {
  return {name, "yes or no",
          [field](const Settings& s, Clock&) { return std::string(s.*field ? kYes : kNo); },
          [field](Settings& s, std::string_view v, Clock&) {
            const std::optional<bool> on = YesNo(v);
            if (on) s.*field = *on;
            return on.has_value();
          }};
}

NameEntry Text(const char* name, std::string Settings::*field, const char* allowed,
               bool (*valid)(std::string_view)) {
  return {name, allowed, [field](const Settings& s, Clock&) { return s.*field; },
          [field, valid](Settings& s, std::string_view v, Clock&) {
            if (!valid(v)) return false;
            s.*field = std::string(v);
            return true;
          }};
}

NameEntry Choices(const char* name, std::string Settings::*field, const char* allowed,
                  std::vector<const char*> choices) {
  return {name, allowed, [field](const Settings& s, Clock&) { return s.*field; },
          [field, choices](Settings& s, std::string_view v, Clock&) {
            const std::optional<std::string> choice = Choice(v, choices);
            if (choice) s.*field = *choice;
            return choice.has_value();
          }};
}

const std::vector<NameEntry>& NameTable() {
  static const std::vector<NameEntry> table = {
      Switch("update", &Settings::updateEnabled),
      {"service", "a service of `quorvane --list-providers` (any case)",
       [](const Settings& s, Clock&) { return s.service; },
       [](Settings& s, std::string_view v, Clock&) {
         const std::string upper = Upper(v);
         for (const ProviderEntry& entry : ProviderCatalogue())
           if (Upper(entry.displayName) == upper) {
             s.service = entry.displayName;
             return true;
           }
         return false;
       }},
      Text("username", &Settings::userName, "text without blanks or control characters", IsWord),
      {"password", "text without control characters (or - to read it from standard input)",
       [](const Settings& s, Clock&) { return s.password; },
       [](Settings& s, std::string_view v, Clock&) {
         if (HasControl(v)) return false;
         s.password = std::string(v);
         return true;
       }},
      Text("hostnames", &Settings::hostNames, "host names separated by commas, without blanks", IsWord),
      Text("system", &Settings::system, "text without blanks or control characters", IsWord),
      {"mx", "NOCHG, empty, or a host name without blanks", [](const Settings& s, Clock&) { return s.mx; },
       [](Settings& s, std::string_view v, Clock&) {
         if (!IsWord(v)) return false;
         s.mx = Upper(v) == "NOCHG" ? "NOCHG" : std::string(v);
         return true;
       }},
      Choices("backup-mx", &Settings::backupMx, "YES, NO or NOCHG", {"YES", "NO", "NOCHG"}),
      Choices("wildcard", &Settings::wildcard, "ON, OFF or NOCHG", {"ON", "OFF", "NOCHG"}),
      Choices("offline", &Settings::offline, "YES or NO", {"YES", "NO"}),
      {"interval", "a whole number of minutes from 2 to 43200",
       [](const Settings& s, Clock&) { return std::to_string(s.intervalMinutes); },
       [](Settings& s, std::string_view v, Clock&) {
         int minutes = 0;
         const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), minutes);
         if (error != std::errc() || end != v.data() + v.size() || minutes < kMinimumIntervalMinutes ||
             minutes > kMaximumIntervalMinutes)
           return false;
         s.intervalMinutes = minutes;
         return true;
       }},
      Switch("log-everything", &Settings::logEverything),
      Switch("suspend", &Settings::suspended),
      {"last-update", "a date as this system writes it, or never",
       [](const Settings& s, Clock& clock) {
         return s.lastUpdateDay == 0 ? std::string(kNever) : clock.FormatShortDate(s.lastUpdateDay);
       },
       [](Settings& s, std::string_view v, Clock& clock) {
         const std::optional<std::int32_t> day = v == kNever ? 0 : clock.ParseShortDate(std::string(v));
         if (day) s.lastUpdateDay = *day;
         return day.has_value();
       }},
      {"echo-urls", "one or more http:// or https:// URLs separated by commas, without blanks",
       [](const Settings& s, Clock&) {
         std::string joined;
         for (const std::string& url : s.echoUrls) joined += (joined.empty() ? "" : ",") + url;
         return joined;
       },
       [](Settings& s, std::string_view v, Clock&) {
         std::vector<std::string> urls = SplitCommas(v);
         if (!std::all_of(urls.begin(), urls.end(), IsEchoUrl)) return false;
         s.echoUrls = std::move(urls);
         return true;
       }},
      Switch("notify-problems", &Settings::notifyProblems),
  };
  return table;
}

std::string Quoted(std::string_view text) {
  return "\"" + VisibleControlCharacters(text) + "\"";
}

}  // namespace

std::vector<NamedSetting> NamedSettings(const Settings& settings, Clock& clock, bool showPassword) {
  std::vector<NamedSetting> lines;
  for (const NameEntry& entry : NameTable()) {
    std::string value = entry.show(settings, clock);
    if (std::string_view(entry.name) == "password" && !showPassword && !value.empty())
      value = kMaskedPassword;
    lines.push_back({entry.name, std::move(value)});
  }
  return lines;
}

std::optional<std::string> SetNamedSetting(Settings& settings, std::string_view assignment, Clock& clock) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) return Quoted(assignment) + " is not NAME=VALUE";
  const std::string_view name = assignment.substr(0, equals), value = assignment.substr(equals + 1);
  const auto& table = NameTable();
  const auto entry =
      std::find_if(table.begin(), table.end(), [name](const NameEntry& e) { return name == e.name; });
  if (entry == table.end()) {
    std::string names;
    for (const NameEntry& e : table) names += (names.empty() ? "" : ", ") + std::string(e.name);
    return Quoted(name) + " is no setting; the settings are " + names;
  }
  if (entry->set(settings, value, clock)) return std::nullopt;
  return std::string(entry->name) + ": " + Quoted(value) + " is not allowed; allowed: " + entry->allowed;
}

}  // namespace quorvane
