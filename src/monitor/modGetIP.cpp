#include "monitor/modGetIP.h"

#include <vector>

#include "app/Program.h"
#include "app/Version.h"
#include "log/ChangeLog.h"
#include "settings/Folders.h"
#include "settings/TextValue.h"

namespace quorvane {

namespace {

constexpr const char* kGettingWanIpFrom = "Getting WAN IP address from ";
constexpr const char* kGotWanIp = "Got WAN IP address.";
constexpr const char* kGetWanIpFailed = "Get WAN IP address failed.";

constexpr const char* kCrLf = "\r\n";
// How much of a downloaded page the developer-mode message box shows.
constexpr std::size_t kDebugPreviewLength = 15;

enum class CleanUp { CrLfPairs, CrLfPairsThenLf };

// A service whose page wraps the address in HTML; the rule applies when the list entry contains
// matchKey.
struct ExtractionRule {
  const char* matchKey;
  const char* startMarker;
  const char* endMarker;
  CleanUp cleanUp;
};

constexpr ExtractionRule kExtractionRules[] = {
    {"checkip.dyndns.org", "Current IP Address: ", "</body>", CleanUp::CrLfPairs},
    {"ipdetect.dnspark.com", "Current Address: ", "</body>", CleanUp::CrLfPairsThenLf},
    {"dynamic.zoneedit.com", "Current IP Address: ", "<br>", CleanUp::CrLfPairs},
};

// 1-based position of the first occurrence of what in text, 0 when absent.
std::size_t FindFrom1(const std::string& text, const std::string& what) {
  const std::size_t at = text.find(what);
  return at == std::string::npos ? 0 : at + 1;
}

// Cuts the answer out of the page. The positions are 1-based and an absent start marker counts as
// position 0, so the answer then starts right after the marker's length; an end marker that is
// absent or before the start leaves the whole page.
std::string Extract(const std::string& page, const ExtractionRule& rule) {
  const std::string startMarker = rule.startMarker;
  const std::size_t start = FindFrom1(page, startMarker) + startMarker.size();
  const std::size_t end = FindFrom1(page, rule.endMarker);
  std::string answer = page;
  if (end != 0 && end >= start) answer = page.substr(start - 1, end - start);
  answer = ReplaceAll(answer, kCrLf, "");
  if (rule.cleanUp == CleanUp::CrLfPairsThenLf) answer = ReplaceAll(answer, "\n", "");
  return answer;
}

std::string AnswerOf(const std::string& entry, const std::string& page) {
  for (const ExtractionRule& rule : kExtractionRules) {
    if (entry.find(rule.matchKey) != std::string::npos) return Extract(page, rule);
  }
  return page;
}

// The answer as a bare address: without any CR or LF and without surrounding blanks.
std::string CleanAnswer(const std::string& answer) {
  std::string text;
  for (char c : answer) {
    if (c != '\r' && c != '\n') text += c;
  }
  return TrimBlanks(text);
}

std::vector<std::string> SplitAtCrLf(const std::string& text) {
  std::vector<std::string> entries;
  if (text.empty()) return entries;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(kCrLf, from);
    if (at == std::string::npos) break;
    entries.push_back(text.substr(from, at - from));
    from = at + 2;
  }
  entries.push_back(text.substr(from));
  return entries;
}

void LogIfEverything(Program& program, const std::string& message) {
  if (program.form.chkExcessiveLogging.Checked()) LogEvent(program, message);
}

}  // namespace

bool IsDottedQuad(const std::string& text) {
  int parts = 0;
  std::size_t i = 0;
  for (;;) {
    const std::size_t first = i;
    int value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - first < 3) {
      value = value * 10 + (text[i] - '0');
      ++i;
    }
    if (i == first || value > 255) return false;
    ++parts;
    if (parts == 4) return i == text.size();
    if (i >= text.size() || text[i] != '.') return false;
    ++i;
  }
}

bool DownloadToFile(Program& program, const std::string& url, const std::string& path) {
  return program.platform.DownloadToFile(url, path);
}

std::string GetWanIP(Program& program) {
  Control& urlList = program.form.txtExternalIPURL;
  const std::string& listText = urlList.Text();
  if (listText.ends_with(kCrLf)) {
    urlList.SetText(listText.substr(0, listText.size() - 2));
  }

  const std::vector<std::string> entries = SplitAtCrLf(urlList.Text());
  const std::string tempFolder = GetTempFolder(program);
  const std::string tempPath = tempFolder + kWanIpFileName;
  std::string result;
  for (const std::string& entry : entries) {
    // A stop request ends the search: no further service is asked and no failure is logged.
    if (program.platform.StopRequested()) break;
    LogIfEverything(program, kGettingWanIpFrom + entry);
    // Without a private temp folder the page would land in the working directory: every entry fails.
    if (!tempFolder.empty() && DownloadToFile(program, entry, tempPath)) {
      const std::string page = program.platform.ReadFile(tempPath).value_or("");
      if (program.state.debugMode) {
        program.desktop.MessageBox(page.substr(0, kDebugPreviewLength), kVersion.productName);
      }
      // Only a dotted quad counts: an error page or a captive portal's page must never become the
      // address that is logged, stored and sent to the provider.
      const std::string address = CleanAnswer(AnswerOf(entry, page));
      if (IsDottedQuad(address)) {
        LogIfEverything(program, kGotWanIp);
        program.platform.DeleteFile(tempPath);
        return address;
      }
    }
    if (program.platform.StopRequested()) break;
    result = kUnableToAccess;
    LogIfEverything(program, kGetWanIpFailed);
  }
  return result;
}

}  // namespace quorvane
