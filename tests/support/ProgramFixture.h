#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/Calendar.h"
#include "app/Program.h"
#include "app/Version.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "monitor/CheckCycle.h"
#include "support/TempDir.h"

namespace quorvane::testing {

inline constexpr const char* kEcho = "http://echo.test/";
using Lines = std::vector<std::string>;

// A Program on fakes in a temp folder, its data folder set and created as the start sequence would,
// so that a test can drive any module directly; StartProgram() runs the start sequence itself.
class ProgramFixture : public ::testing::Test {
 protected:
  ProgramFixture() : platform(temp.Path() + "/appdata", temp.Path() + "/tmp/") {
    std::filesystem::create_directories(temp.Path() + "/tmp");
    program->state.dataFolder = temp.Path() + "/appdata/Quorvane/";
    program->state.userAgent = BuildUserAgent();
    program->state.windowTitle = BuildWindowTitle();
    program->base64.InitBase64Table();
    std::filesystem::create_directories(program->state.dataFolder);
  }
  std::string DataFolder() const { return program->state.dataFolder; }
  std::string DataFile(const std::string& name) const { return DataFolder() + name; }
  void StartProgram(const std::string& arguments = "") {
    program = std::make_unique<Program>(platform, desktop, desktop);
    program->Main(arguments);
  }
  // The change log's lines without their "MM-DD-YYYY HH:MM:SS: " prefix.
  Lines LogTexts() const {
    Lines texts;
    const std::string log = ReadAll(DataFile("ipchange.log"));
    for (std::size_t start = 0, end; start < log.size(); start = end + 2) {
      end = std::min(log.find("\r\n", start), log.size());
      texts.push_back(log.substr(std::min(start + 21, end), end - std::min(start + 21, end)));
    }
    return texts;
  }
  void SetUrls(const std::string& urlsCrLf) { program->form.txtExternalIPURL.SetText(urlsCrLf); }
  // One echo page, a LAN address, interval 5, timed operation, updates on ("DynDNS"), answered today.
  void UseCheckAndUpdate(const std::string& address = "203.0.113.7") {
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
  void Request() { program->form.cmdCheckNow_Click(); }

  TempDir temp;
  FakePlatform platform;
  FakeDesktop desktop;
  std::unique_ptr<Program> program = std::make_unique<Program>(platform, desktop, desktop);
};

}  // namespace quorvane::testing
