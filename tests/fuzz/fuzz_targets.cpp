// Four libFuzzer targets in one source; CMake builds one executable per QUORVANE_FUZZ_<target>.
#include <fuzzer/FuzzedDataProvider.h>
#include "app/Program.h"
#include "ddns/DdnsUpdate.h"
#include "ddns/ProviderCatalogue.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "monitor/modGetIP.h"
#include "settings/Settings.h"

using namespace quorvane;
namespace {
// The fakes with the files kept in memory, so that an input costs no disk access.
struct MemoryPlatform : testing::FakePlatform {
  MemoryPlatform() : FakePlatform("/fuzz", "/fuzz/tmp/") {}
  std::map<std::string, std::string> files;
  std::optional<std::string> ReadFile(const std::string& path) override {
    return files.contains(path) ? std::optional(files[path]) : std::nullopt;
  }
  bool ReplaceFile(const std::string& p, const std::string& t) override { return (files[p] = t, true); }
  bool AppendToFile(const std::string& p, const std::string& t) override { return (files[p] += t, true); }
  bool DownloadToFile(const std::string& url, const std::string& path) override {
    return pages.contains(url) && ReplaceFile(path, pages[url]);
  }
};
// One program on the fakes per process (making one costs more than most inputs). Reset() clears
// the state, the fakes and the outputs the targets watch; each target sets every field it reads.
struct World {
  MemoryPlatform platform;
  testing::FakeDesktop desktop;
  Program program{platform, desktop, desktop};
  static World& Reset() {
    static World world;
    world.platform.files.clear(), world.platform.pages.clear(), world.platform.httpAnswers.clear();
    world.platform.httpRequests.clear(), world.desktop.messages.clear(), world.desktop.logLines.clear();
    world.program.state = {.dataFolder = "/fuzz/Quorvane/"};
    world.program.base64.InitBase64Table();
    for (Control* output : {&world.program.form.txtSMTPlog, &world.program.form.lblStatus})
      output->SetText(""), output->SetToolTip("");
    return world;
  }
};
}  // namespace
#define REQUIRE(holds) \
  ((holds) ? (void)0 : (std::fputs("Property violated: " #holds "\n", stderr), std::abort()))
#if defined(QUORVANE_FUZZ_settings)
// What one program start reads from config.txt and its orderly stop writes back.
static std::string LoadAndSave(const std::string& file) {
  World& world = World::Reset();
  const std::string& config = world.platform.files[world.program.state.dataFolder + kConfigFileName] = file;
  LoadSettings(world.program), SaveSettings(world.program);
  return config;
}
// Any config.txt, loaded and saved, then loaded and saved by the next start, saves the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string first = LoadAndSave(std::string(reinterpret_cast<const char*>(data), size));
  REQUIRE(LoadAndSave(first) == first);
  return 0;
}
#elif defined(QUORVANE_FUZZ_echo_pages)
// Any page under any rule gives the failure value or a dotted quad (1-3 digits, 0-255), never a
// scrap of the page. The first byte picks the rule: one of the three services whose address is cut
// out between markers, or a plain one (bits 0-1); developer mode (bit 2); "Log Everything" (bit 3).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const urls[] = {"http://checkip.dyndns.org/", "http://ipdetect.dnspark.com/",
                                     "http://dynamic.zoneedit.com/", "http://127.0.0.1/"};
  if (size == 0) return 0;
  World& world = World::Reset();
  world.program.state.debugMode = (data[0] & 4) != 0;
  world.program.form.chkExcessiveLogging.SetValue((data[0] & 8) != 0);
  world.program.form.txtExternalIPURL.SetText(urls[data[0] & 3]);
  world.platform.pages[urls[data[0] & 3]] = std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string answer = GetWanIP(world.program);
  char p[4][4];
  int end = -1;  // set only when all four parts were read
  std::sscanf(answer.c_str(), "%3[0-9].%3[0-9].%3[0-9].%3[0-9]%n", p[0], p[1], p[2], p[3], &end);
  REQUIRE(answer == kUnableToAccess || (end == static_cast<int>(answer.size()) &&
                                        std::max({atoi(p[0]), atoi(p[1]), atoi(p[2]), atoi(p[3])}) <= 255));
  return 0;
}
#elif defined(QUORVANE_FUZZ_answers)
// Any answer body: the update counts and shows as a success exactly when it holds "good" or "nochg".
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  World& world = World::Reset();
  world.platform.httpAnswers.assign(2, {true, 200, body, "", HttpFailure::None, true});
  SendDDNSUpdate(world.program, "DNS-O-Matic");
  const bool expected = body.find("good") != std::string::npos || body.find("nochg") != std::string::npos;
  const Control& status = world.program.form.lblStatus;
  REQUIRE((status.Text().starts_with("DDNS Update Success @ ") && status.Colour() == kGreen) == expected);
  REQUIRE(world.program.state.updateFailed != expected);
  return 0;
}
#elif defined(QUORVANE_FUZZ_update_requests)
// Sends one update from arbitrary fields and checks each request: a printable target without "#",
// one Authorization header when a user name is given. Returns everything the update sent, showed
// or wrote (DDNS log box, status line, change log, message boxes) except that header.
static std::vector<std::string> Trace(const std::string& fields, const std::string& password) {
  FuzzedDataProvider input(reinterpret_cast<const std::uint8_t*>(fields.data()), fields.size());
  World& world = World::Reset();
  frmMain& form = world.program.form;
  const std::size_t service = input.ConsumeIntegralInRange<std::size_t>(0, ProviderCatalogue().size());
  world.program.state.debugMode = input.ConsumeBool();
  form.chkExcessiveLogging.SetValue(input.ConsumeBool());
  if (input.ConsumeBool()) world.platform.httpAnswers = {{true, 200, "good", "", HttpFailure::None, true}};
  for (Control* field :
       {&form.txtDDNSusername, &form.txtDDNShostname, &form.txtDDNSsystem, &form.cmbDDNSwildcard,
        &form.cmbDDNSmx, &form.cmbDDNSbackMX, &form.cmbDDNSoffline, &form.txtExternalIP})
    field->SetText(input.ConsumeRandomLengthString(64));
  form.txtDDNSpassword.SetText(password);
  SendDDNSUpdate(world.program, service < ProviderCatalogue().size()
                                    ? ProviderCatalogue()[service].displayName
                                    : input.ConsumeRemainingBytesAsString());
  std::vector<std::string> trace{form.txtSMTPlog.Text(), form.lblStatus.Text(), form.lblStatus.ToolTip()};
  for (const HttpTransportRequest& request : world.platform.httpRequests) {
    for (const unsigned char c : request.target) REQUIRE(c > 0x20 && c < 0x7F && c != '#');
    int authorizations = 0;
    for (const std::string& line : request.headerLines)
      line.starts_with("Authorization:") ? ++authorizations : (trace.push_back(line), 0);
    REQUIRE(authorizations == !form.txtDDNSusername.Text().empty());
    trace.push_back(request.verb + " " + request.host + request.target + " " + request.body);
  }
  for (const auto& [path, content] : world.platform.files) trace.push_back(path + ": " + content);
  for (const auto& [text, title] : world.desktop.messages) trace.push_back(title + ": " + text);
  return trace;
}
// The password reaches nothing but the Authorization header: an update with another password (every
// byte and the length changed) sends, shows and writes exactly the same otherwise.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string password = input.ConsumeRandomLengthString(64),
                    fields = input.ConsumeRemainingBytesAsString();
  std::string other = password + "~";
  for (char& c : other) c ^= 1;
  REQUIRE(Trace(fields, password) == Trace(fields, other));
  return 0;
}
#endif
