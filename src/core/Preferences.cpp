#include "core/Preferences.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace quorvane {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// One preference: its name and the settings field it holds (a yes/no switch).
struct Preference {
  std::string_view name;
  bool Settings::*field;
};

constexpr Preference kPreferences[] = {
    {"notify-problems", &Settings::notifyProblems},
};

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = std::min(text.find('\n', from), text.size());
    std::string_view line = text.substr(from, end - from);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

std::string_view NameOf(std::string_view line) {
  return line.substr(0, line.find('='));
}

std::string LineOf(const Preference& preference, const Settings& settings) {
  return std::string(preference.name) + "=" + (settings.*preference.field ? "yes" : "no");
}

}  // namespace

void ReadPreferences(std::string_view text, Settings& settings) {
  for (const std::string_view line : Lines(text))
    for (const Preference& preference : kPreferences)
      if (NameOf(line) == preference.name && line.size() > preference.name.size()) {
        const std::string_view value = line.substr(preference.name.size() + 1);
        if (value == "yes" || value == "no") settings.*preference.field = value == "yes";
      }
}

std::string RenderPreferences(const Settings& settings, std::string_view previousText) {
  std::string text;
  std::vector<bool> written(std::size(kPreferences), false);
  for (const std::string_view line : Lines(previousText)) {
    std::string kept(line);
    for (std::size_t i = 0; i < std::size(kPreferences); ++i)
      if (NameOf(line) == kPreferences[i].name) {
        kept = written[i] ? std::string() : LineOf(kPreferences[i], settings);  // one line per name
        written[i] = true;
      }
    if (!kept.empty() || line.empty()) (text += kept) += kCrLf;
  }
  for (std::size_t i = 0; i < std::size(kPreferences); ++i)
    if (!written[i]) (text += LineOf(kPreferences[i], settings)) += kCrLf;
  return text;
}

}  // namespace quorvane
