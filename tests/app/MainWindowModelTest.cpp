#include "app/MainWindowModel.h"

#include <gtest/gtest.h>

#include "fakes/FakeShell.h"

namespace quorvane::testing {
namespace {

const std::string kTitle = "Quorvane 1.0.0";
using Lines = std::vector<std::string>;

class MainWindowModelTest : public ::testing::Test {
 protected:
  static Settings Sample() {
    Settings s;
    s.updateEnabled = s.suspended = s.logEverything = true;
    std::tie(s.service, s.userName, s.password, s.hostNames, s.system, s.mx) =
        std::tuple("DynDNS", "alice", "s3cret", "a.example.net,b.example.net", "sys", "");
    s.intervalMinutes = 17;
    s.lastUpdateDay = 46000;
    s.echoUrls = {"http://one.test/", "", "https://two.test/ip"};
    return s;
  }
  WindowCommands Commands() {
    return {nullptr, nullptr, [this](const Settings& s) { edits.push_back(s); }, nullptr, nullptr};
  }

  std::vector<Settings> edits;
  FakeShell shell;
  MainWindowModel w{shell, Commands(), kTitle};
  Settings sample = Sample();
};

// Shown settings come back unchanged, unreported (updates on enable the provider's fields); every edit is
// reported at once as the whole record, keeping what the window has no control for.
TEST_F(MainWindowModelTest, ShownSettingsComeBackAndEveryEditIsReported) {
  for (const Control* field : {&w.service, &w.userName, &w.password, &w.hostNames, &w.moreButton,
                               &w.backupMxLabel, &w.system, &w.mx, &w.backupMx, &w.wildcard, &w.offline})
    EXPECT_FALSE(field->Enabled()) << field->Name();  // until settings with updates on are shown
  w.ShowSettings(sample);
  EXPECT_TRUE(edits.empty());
  EXPECT_TRUE(w.service.Enabled() && w.offline.Enabled());
  EXPECT_EQ(w.EditedSettings(), sample);
  EXPECT_EQ(w.echoUrls.Text(), "http://one.test/\r\n\r\nhttps://two.test/ip");

  // clang-format off
  for (auto [control, text] : {std::pair{&w.service, "No-IP"}, {&w.userName, "bob"}, {&w.password, "pw2"},
           {&w.hostNames, "c.test"}, {&w.intervalBox, "30"}, {&w.system, "custom"}, {&w.mx, "NOCHG"},
           {&w.echoUrls, "\r\nhttp://x.test/\nhttp://y.test/"}, {&w.backupMx, "YES"}, {&w.wildcard, "OFF"},
           {&w.offline, "YES"}})
    control->Edit(text);
  // clang-format on
  for (Control* box : {&w.updateEnabled, &w.suspended, &w.logEverything}) box->Toggle(false);
  EXPECT_FALSE(w.service.Enabled() || w.offline.Enabled() || !w.checkNow.Enabled());
  w.ShowCheckRunning(true);
  EXPECT_FALSE(w.checkNow.Enabled());
  Settings want = sample;
  want.updateEnabled = want.suspended = want.logEverything = false;
  std::tie(want.service, want.userName, want.password, want.hostNames, want.system, want.mx, want.backupMx,
           want.wildcard, want.offline) =
      std::tuple("No-IP", "bob", "pw2", "c.test", "custom", "NOCHG", "YES", "OFF", "YES");
  want.intervalMinutes = 30;
  want.echoUrls = {"", "http://x.test/", "http://y.test/"};
  ASSERT_EQ(edits.size(), 14u);
  EXPECT_EQ(edits.back(), want);
}

// Leaving the interval box checks it; a box without a usable number keeps the last good interval.
TEST_F(MainWindowModelTest, IntervalIsCheckedWhenLeft) {
  w.ShowSettings(sample);
  const struct {
    std::string text, message;  // message empty: none
    int interval;
  } cases[] = {
      {"10", "", 10},
      {"abc", "Numbers only, please.", 10},
      {"1.2.3", "Numbers only, please.", 10},
      {" 1 ", "The minimum interval is 2 minutes.", 2},
      {"2", "", 2},
      {"2.5", "", 3},
      {"99999", "", 43200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    shell.messages.clear();
    shell.focused.clear();
    w.intervalBox.Edit(c.text);
    w.intervalBox.Leave();
    EXPECT_EQ(shell.messages.empty(), c.message.empty());
    EXPECT_TRUE(c.message.empty() || shell.messages.front() == std::make_pair(c.message, kTitle));
    EXPECT_EQ(shell.focused, c.message.empty() ? Lines{} : Lines{w.intervalBox.Name()});
    EXPECT_EQ(w.EditedSettings().intervalMinutes, c.interval);
    EXPECT_EQ(w.intervalBox.Text(), c.text);  // the box is never rewritten
  }
}

// A program that runs for months keeps only the newest 64 KiB of the DDNS log, cut at a line start.
TEST_F(MainWindowModelTest, DdnsLogKeepsItsNewest64KiB) {
  const std::string line(99, 'x');
  for (int i = 0; i < 1000; ++i) w.AppendDdnsLog(line + "\r\n");
  w.AppendDdnsLog("last\r\n");
  const std::string& text = w.ddnsLog.Text();
  EXPECT_TRUE(text.size() <= 64u * 1024 && text.size() > 64u * 1024 - 200) << text.size();
  EXPECT_TRUE(text.starts_with(line + "\r\n") && text.ends_with("\r\nlast\r\n"));
  EXPECT_TRUE(edits.empty());
}

// A front end repaints from the announcements: each change is announced once, a repeated value not.
TEST(ControlTest, ChangesAreAnnouncedOnce) {
  struct Recorder : ControlObserver {
    int changes = 0;
    void ControlChanged(const Control&) override { ++changes; }
  } view;
  Control control(view, "box", ControlKind::ComboBox);
  for (int twice = 0; twice < 2; ++twice) {
    control.SetText("a");
    control.SetValue(1);
    control.SetEnabled(false);
    control.SetToolTip("tip");
    control.SetColour({1, 2, 3});
  }
  control.AddItem("item");
  EXPECT_EQ(view.changes, 6);
}

}  // namespace
}  // namespace quorvane::testing
