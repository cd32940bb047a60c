#include "core/EchoPage.h"

#include "core/IPv4.h"
#include "core/Text.h"

namespace quorvane {

namespace {

constexpr std::string_view kSeveralLines = "the page holds more than one line";
constexpr std::string_view kNoAddress = "the page holds no IPv4 address";
constexpr std::string_view kNotPublic = "not a public address: ";
constexpr std::string_view kSpace = " \t\r\n";

// A service whose page wraps the address in HTML; the rule applies when the URL contains matchKey.
struct ExtractionRule {
  std::string_view matchKey;
  std::string_view startMarker;
  std::string_view endMarker;
};

constexpr ExtractionRule kExtractionRules[] = {
    {"checkip.dyndns.org", "Current IP Address: ", "</body>"},
    {"ipdetect.dnspark.com", "Current Address: ", "</body>"},
    {"dynamic.zoneedit.com", "Current IP Address: ", "<br>"},
};

// The text after the start marker up to the end marker. An absent start marker counts as found at
// the page's start less one (so the cut starts at the marker's length less one); an end marker that is
// absent or before the start leaves the whole page.
std::string_view Extract(std::string_view page, const ExtractionRule& rule) {
  const std::size_t startAt = page.find(rule.startMarker);
  const std::size_t start =
      (startAt == std::string_view::npos ? 0 : startAt + 1) + rule.startMarker.size() - 1;
  const std::size_t end = page.find(rule.endMarker);
  if (end == std::string_view::npos || end < start) return page;
  return page.substr(start, end - start);
}

std::string_view TrimSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

PageAddress AddressFromPage(std::string_view url, std::string_view page) {
  std::string_view answer = page;
  for (const ExtractionRule& rule : kExtractionRules) {
    if (url.find(rule.matchKey) != std::string_view::npos) {
      answer = Extract(page, rule);
      break;
    }
  }
  answer = TrimSpace(answer);
  // Line ends separate: "203.0.113.7\n5" is no address, never 203.0.113.75.
  if (answer.find_first_of("\r\n") != std::string_view::npos)
    return {std::nullopt, std::string(kSeveralLines)};
  const std::optional<IPv4Address> address = ParseIPv4(answer);
  if (!address) return {std::nullopt, std::string(kNoAddress)};
  if (!IsPublicUnicast(*address)) return {std::nullopt, std::string(kNotPublic) + IPv4Text(*address)};
  return {address, {}};
}

std::vector<std::string> EchoEntries(const std::vector<std::string>& echoUrls) {
  std::vector<std::string> entries;
  entries.reserve(echoUrls.size());
  for (const std::string& url : echoUrls)
    if (std::string entry = TrimBlanks(url); !entry.empty()) entries.push_back(std::move(entry));
  return entries;
}

}  // namespace quorvane
