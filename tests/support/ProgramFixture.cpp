#include "support/ProgramFixture.h"

#include <filesystem>

#include "app/Calendar.h"
#include "app/Version.h"
#include "monitor/CheckCycle.h"

namespace quorvane::testing {

ProgramFixture::ProgramFixture() : platform(temp.Path() + "/appdata", temp.Path() + "/tmp/") {
  std::filesystem::create_directories(temp.Path() + "/appdata");
  std::filesystem::create_directories(temp.Path() + "/tmp");
  program = std::make_unique<Program>(platform, desktop, desktop);
  program->state.dataFolder = temp.Path() + "/appdata/Quorvane/";
  program->state.ipFilePath = program->state.dataFolder + "ip.txt";
  program->state.userAgent = BuildUserAgent();
  program->state.windowTitle = BuildWindowTitle();
  program->base64.InitBase64Table();
  std::filesystem::create_directories(program->state.dataFolder);
}

void ProgramFixture::StartProgram(const std::string& arguments) {
  program = std::make_unique<Program>(platform, desktop, desktop);
  program->Main(arguments);
}

std::vector<std::string> ProgramFixture::LogTexts() const {
  std::vector<std::string> texts;
  const std::string log = ReadAll(DataFile("ipchange.log"));
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    texts.push_back(line.size() >= 21 ? line.substr(21) : line);
    start = end + 2;
  }
  return texts;
}

void ProgramFixture::UseCheckAndUpdate(const std::string& address) {
  SetUrls(kEcho);
  platform.pages[kEcho] = address + "\n";
  platform.addressTable = std::vector<IPv4Address>{{127, 0, 0, 1}, {192, 168, 1, 20}};
  frmMain& form = program->form;
  form.checkRequest = "0";
  form.txtInterval.SetText("5");
  form.chkUpdateDynDNS.SetValue(1);
  form.cmbDDNSservice.SetText("DynDNS");
  form.txtDDNSusername.SetText("alice");
  form.txtDDNSpassword.SetText("s3cret-pass");
  form.txtDDNShostname.SetText("home.example.net");
  program->state.lastUpdateDate = DayNumberOf(platform.now);
}

void ProgramFixture::Request() {
  program->form.checkRequest = "1";
  CheckAddresses(*program);
}

void ProgramFixture::AdvanceMinutes(int minutes) {
  LocalDateTime& now = platform.now;
  const std::int64_t total = (DayNumberOf(now) * 1440LL + now.hour * 60 + now.minute) + minutes;
  const int second = now.second;
  now = DateFromDayNumber(static_cast<std::int32_t>(total / 1440));
  now.hour = static_cast<int>(total % 1440 / 60);
  now.minute = static_cast<int>(total % 60);
  now.second = second;
}

}  // namespace quorvane::testing
