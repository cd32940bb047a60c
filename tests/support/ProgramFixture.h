#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/Program.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakePlatform.h"
#include "support/TempDir.h"

namespace quorvane::testing {

inline constexpr const char* kEcho = "http://echo.test/";

// A Program on fakes, in a temp folder: <tmp>/appdata is the local app-data folder and <tmp>/tmp/
// the temp folder. The data folder is set (and created) as the start sequence would, without running
// it, so a test can drive any module directly; StartProgram() runs the whole start sequence instead.
class ProgramFixture : public ::testing::Test {
 protected:
  ProgramFixture();

  // The data folder with a trailing '/', and a file in it.
  std::string DataFolder() const { return program->state.dataFolder; }
  std::string DataFile(const std::string& name) const { return DataFolder() + name; }
  // Runs Main on a new Program with the given argument text. The fixture creates the data folder
  // empty (a first run); remove it or put files in it first to test other starts.
  void StartProgram(const std::string& arguments = "");
  // The change log's lines, without their date and time prefix ("MM-DD-YYYY HH:MM:SS: ").
  std::vector<std::string> LogTexts() const;
  void SetUrls(const std::string& urlsCrLf) { program->form.txtExternalIPURL.SetText(urlsCrLf); }
  // Ready for checks: one echo page (address), a LAN address, interval 5, timed operation, updates
  // on at "DynDNS" with an update answered today.
  void UseCheckAndUpdate(const std::string& address = "203.0.113.7");
  // Check Now.
  void Request();
  // Moves the fake clock on.
  void AdvanceMinutes(int minutes);

  TempDir temp;
  FakePlatform platform;
  FakeDesktop desktop;
  std::unique_ptr<Program> program;
};

}  // namespace quorvane::testing
