#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "app/Monitor.h"
#include "core/SettingsFile.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeShell.h"
#include "platform/Calendar.h"
#include "support/TempDir.h"

namespace quorvane::testing {

using Lines = std::vector<std::string>;
inline constexpr const char* kEcho = "http://echo.test/";
inline const std::string kSent = "DDNS Update Sent. Server Response: good";
inline const HttpTransportResult kGood{true, 200, "good", ""}, kDnsErr{true, 200, "dnserr", ""};

// The Monitor on fakes in a temp data folder, with a manual clock and ticks, its events run on the test's
// thread; updates are answered "good".
class MonitorTest : public ::testing::Test {
 protected:
  MonitorTest() : platform(temp.Path() + "/appdata", temp.Path() + "/tmp/") {
    std::filesystem::create_directories(temp.Path() + "/tmp");
    std::filesystem::create_directories(Folder());
    platform.pages[kEcho] = "203.0.113.7\n";
    platform.addressTable = std::vector<IPv4Address>{{127, 0, 0, 1}, {192, 168, 1, 20}};
    platform.httpAnswers.assign(20, kGood);
  }
  ~MonitorTest() override { Stop(); }

  // As the Session names it: with the platform's separator (a backslash on Windows).
  std::string Folder() const {
    const std::string separator(1, platform.PathSeparator());
    return temp.Path() + "/appdata" + separator + "Quorvane" + separator;
  }
  std::string File(const std::string& name) const { return Folder() + name; }
  static Settings Updating() {
    Settings s;
    s.updateEnabled = true;
    std::tie(s.service, s.userName, s.password, s.hostNames) =
        std::tuple("DynDNS", "alice", "s3cret-pass", "home.example.net");
    s.echoUrls = {kEcho};
    s.lastUpdateDay = DayNumberFromDate(2026, 3, 1);
    return s;
  }
  void Write(const Settings& s) { WriteAll(File(kConfigFileName), RenderSettingsFile(s, platform)); }
  Settings OnDisk() { return ParseSettingsFile(ReadAll(File(kConfigFileName)), platform).settings; }

  // Without `settle`, returns while the startup check may still run.
  MonitorLoad Start(bool developer = false, bool settle = true) {
    Stop();
    MonitorEvents events;
    events.changeLogLine = [this](const std::string& line) { log.push_back(line.substr(21)); };
    events.status = [this](const std::string& text, Rgb, const std::string&) { status = text; };
    events.ddnsLog = [this](const std::string& lines) { ddnsLog += lines; };
    events.trayTip = [this](const std::string& text) { trayTip = text; };
    events.settingsChanged = [this](const Settings& s) { shown = s; };
    events.problem = [this](const std::string& text) { problems.push_back(text); };
    events.developerMessage = [this](const std::string& text) { boxes.push_back(text); };
    events.startupCheckDone = [this](bool obtained, bool failed) { startup = {obtained, failed}; };
    events.busy = [this](bool checking, bool updating) { busy.emplace_back(checking, updating); };
    events.notice = [this](const std::string& text) { notices.push_back(text); };
    monitor = std::make_unique<Monitor>(platform, shell,
                                        MonitorConfig{Folder(), temp.Path() + "/tmp/", "UA", developer, true},
                                        std::move(events));
    MonitorLoad load = monitor->Load();
    monitor->Start();
    if (settle) Settle();
    return load;
  }
  void Settle() { monitor->WaitUntilIdle(), shell.RunPosted(); }
  void Check() { monitor->CheckNow(), Settle(); }
  void Tick() { monitor->Tick(), Settle(); }
  SaveResult Stop() {
    if (!monitor) return {};
    const SaveResult result = monitor->Stop();
    shell.RunPosted();
    monitor.reset();
    return result;
  }
  Lines TakeLog() { return std::exchange(log, {}); }
  std::ptrdiff_t Logged(const std::string& line) const { return std::ranges::count(log, line); }

  TempDir temp;
  FakePlatform platform;
  FakeShell shell;
  std::unique_ptr<Monitor> monitor;
  Lines log, problems, boxes, notices;
  std::string status, ddnsLog, trayTip;
  std::optional<Settings> shown;
  std::optional<std::pair<bool, bool>> startup;
  std::vector<std::pair<bool, bool>> busy;  // checking, updating
};

}  // namespace quorvane::testing
