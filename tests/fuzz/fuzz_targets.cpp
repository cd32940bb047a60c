// Four libFuzzer targets in one source; CMake builds one executable per QUORVANE_FUZZ_<target>.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/EchoPage.h"
#include "core/HttpRequest.h"
#include "core/IPv4.h"
#include "core/Providers.h"
#include "core/SettingsFile.h"
#include "core/UpdateAnswer.h"
#include "fakes/FakePlatform.h"

using namespace quorvane;
#define REQUIRE(holds) \
  ((holds) ? (void)0 : (std::fputs("Property violated: " #holds "\n", stderr), std::abort()))

// The text's lines, split at any of `ends`.
inline std::vector<std::string_view> Lines(std::string_view text, const char* ends) {
  std::vector<std::string_view> lines;
  for (std::size_t from = 0, end = 0; from < text.size(); from = end + 1) {
    end = std::min(text.find_first_of(ends, from), text.size());
    lines.push_back(text.substr(from, end - from));
  }
  return lines;
}

#if defined(QUORVANE_FUZZ_settings)
// Any config.txt read and written gives settings that read back the same, and a file that is written
// back byte for byte; writing over the old text keeps the same settings too.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static testing::FakePlatform clock("/fuzz", "/fuzz/");
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Settings first = ParseSettingsFile(text, clock).settings;
  const std::string written = RenderSettingsFile(first, clock);
  REQUIRE(ParseSettingsFile(written, clock).settings == first);
  REQUIRE(RenderSettingsFile(ParseSettingsFile(written, clock).settings, clock) == written);
  REQUIRE(ParseSettingsFile(RenderSettingsFile(first, clock, text), clock).settings == first);
  REQUIRE(first.intervalMinutes >= kMinimumIntervalMinutes &&
          first.intervalMinutes <= kMaximumIntervalMinutes);
  return 0;
}
#elif defined(QUORVANE_FUZZ_echo_pages)
// Any page under any rule gives no address or a public unicast one, written back as the page's own
// dotted text and never assembled across lines. The first byte picks the rule (bits 0-1).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const urls[] = {"http://checkip.dyndns.org/", "http://ipdetect.dnspark.com/",
                                     "http://dynamic.zoneedit.com/", "http://127.0.0.1/"};
  if (size == 0) return 0;
  const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
  const PageAddress found = AddressFromPage(urls[data[0] & 3], page);
  REQUIRE(found.address.has_value() == found.reason.empty());
  if (!found.address) return 0;
  REQUIRE(IsPublicUnicast(*found.address));
  REQUIRE(ParseIPv4(IPv4Text(*found.address)) == found.address);
  // The address stands on one line of the page: some line holds a digit and a dot.
  const auto lines = Lines(page, "\r\n");
  REQUIRE(std::any_of(lines.begin(), lines.end(), [](std::string_view line) {
    return line.find_first_of("0123456789") != line.npos && line.find('.') != line.npos;
  }));
  return 0;
}
#elif defined(QUORVANE_FUZZ_answers)
// Any answer, status and host count: a success needs a 2xx status and a line starting with "good" or
// "nochg" (with several hosts: every line, one per host); a 401/403 is never a retry.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int status = input.ConsumeIntegralInRange(0, 599);
  const int hostCount = input.ConsumeIntegralInRange(1, 4);
  std::string hosts = "h0";
  for (int i = 1; i < hostCount; ++i) hosts += ",h" + std::to_string(i);
  const std::string body = input.ConsumeRemainingBytesAsString();
  const AnswerJudgement judgement = JudgeAnswer(body, status, hosts);
  auto successLine = [](std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    for (std::string_view code : {"good", "nochg"})
      if (line.starts_with(code) && (line.size() == code.size() || line[code.size()] == ' ')) return true;
    return false;
  };
  const auto lines = Lines(body, "\n");
  const bool anySuccess = std::any_of(lines.begin(), lines.end(), successLine);
  const bool allSuccess = std::all_of(lines.begin(), lines.end(), successLine);
  if (judgement.verdict == Verdict::Success) {
    REQUIRE(status >= 200 && status < 300 && anySuccess);
    if (hostCount > 1) REQUIRE(allSuccess && lines.size() >= static_cast<std::size_t>(hostCount));
  }
  if (hostCount == 1 && status >= 200 && status < 300 && anySuccess)
    REQUIRE(judgement.verdict == Verdict::Success);
  if ((status == 401 || status == 403) && hostCount == 1) REQUIRE(judgement.verdict != Verdict::Success);
  if (judgement.disablesUpdates) REQUIRE(body.find("badsys") != std::string::npos);
  return 0;
}
#elif defined(QUORVANE_FUZZ_update_requests)
// Any fields: the target is printable without "#", the password never reaches the target, a secret
// token never reaches the shown target, and Basic credentials go only where the provider uses them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Settings s;
  const std::size_t service = input.ConsumeIntegralInRange<std::size_t>(0, ProviderCatalogue().size());
  for (std::string* field :
       {&s.userName, &s.password, &s.hostNames, &s.system, &s.mx, &s.backupMx, &s.wildcard, &s.offline})
    *field = input.ConsumeRandomLengthString(64);
  const IPv4Address address{input.ConsumeIntegral<std::uint8_t>(), input.ConsumeIntegral<std::uint8_t>(),
                            input.ConsumeIntegral<std::uint8_t>(), input.ConsumeIntegral<std::uint8_t>()};
  s.service = service < ProviderCatalogue().size() ? ProviderCatalogue()[service].displayName
                                                   : input.ConsumeRemainingBytesAsString();
  const UpdateRequest request = BuildUpdateRequest(s, address);
  REQUIRE(request.known == (FindProvider(s.service) != nullptr));
  for (const unsigned char c : request.target) REQUIRE(c > 0x20 && c < 0x7F && c != '#');
  auto changed = [&](std::string Settings::*field) {  // the request with that field's every byte changed
    Settings other = s;
    for (char& c : other.*field += "~") c ^= 1;
    return BuildUpdateRequest(other, address);
  };
  REQUIRE(changed(&Settings::password).target == request.target);
  if (request.known && !FindProvider(s.service)->basicAuth)
    REQUIRE(changed(&Settings::userName).shownTarget == request.shownTarget);
  const HttpTransportRequest sent =
      ComposeHttpRequest({std::string(kVerbGet), request.host, request.target, true, request.basicAuth,
                          s.userName, s.password, "UA"});
  const auto authorizations =
      std::count_if(sent.headerLines.begin(), sent.headerLines.end(),
                    [](const std::string& l) { return l.starts_with("Authorization:"); });
  REQUIRE(authorizations == (request.basicAuth && !s.userName.empty() ? 1 : 0));
  return 0;
}
#endif
