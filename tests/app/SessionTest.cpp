#include "app/Session.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/MonitorFixture.h"

namespace quorvane::testing {
namespace {

const std::string kTitle = "Quorvane 1.0.0";

// The whole program on the fakes: the real Session and Monitor and a recording shell.
class SessionTest : public MonitorTest {
 protected:
  static SessionOptions Mode(bool developer, bool headless = false) { return {developer, headless, 0, {}}; }
  // Runs the session's events until the startup check (and the update it caused) has ended.
  static StartupCheckResult WaitForStartupCheck(Session& session, FakeShell& shell) {
    std::optional<StartupCheckResult> result;
    session.WhenStartupCheckDone([&result](const StartupCheckResult& done) { result = done; });
    EXPECT_TRUE(shell.RunPostedUntil([&result] { return result.has_value(); }));
    return result.value_or(StartupCheckResult{});
  }
};

// Each mode starts once; Quit, Stop (twice too) and the destructor save, untray and end the front end once.
TEST_F(SessionTest, StartsAndEveryStopPathSavesAndQuitsOnce) {
  const struct {
    SessionOptions options;
    std::string stop;
    int splashes;
    bool shown, inTray;
  } cases[] = {
      {{}, "&Quit", 1, false, true},
      {{}, "destructor", 1, false, true},
      {Mode(true), "Stop twice", 1, true, false},
      {Mode(true, true), "Stop", 0, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stop);
    FakeShell shell;
    shell.state = WindowState::Minimized;
    shell.shown = !c.options.headless;  // shown before the start: hidden by it in the tray
    auto session = std::make_unique<Session>(platform, shell, c.options);
    session->Start();
    session->Start();  // once only
    EXPECT_EQ(std::make_tuple(shell.splashes, shell.shown, shell.inTray, shell.caption),
              std::make_tuple(c.splashes, c.shown, c.inTray, c.options.headless ? std::string() : kTitle));
    EXPECT_TRUE(!c.shown || shell.state == WindowState::Normal);
    EXPECT_EQ(session->Window().computerName.Text(), "testhost");
    WaitForStartupCheck(*session, shell);
    session->Window().userName.Edit("user-" + c.stop);
    if (c.stop == "&Quit") {
      ASSERT_EQ(session->TrayMenu().back().caption, "&Quit");
      session->TrayMenu().back().action();
    } else if (c.stop == "destructor") {
      session.reset();
    } else {
      session->Stop();
      if (c.stop == "Stop twice") session->Stop();
    }
    EXPECT_EQ(std::make_tuple(shell.quits, shell.trayRemoves, shell.inTray),
              std::make_tuple(1, c.inTray ? 1 : 0, false));
    EXPECT_NE(ReadAll(File(kConfigFileName)).find("user-" + c.stop), std::string::npos);
    EXPECT_TRUE(!session || (session->Stopped() && session->SettingsSaved()));
  }
}

// Developer mode boxes change-log lines in the log's order; one arriving while a box shows waits for it.
TEST_F(SessionTest, MessageBoxesShowInOrderAndNeverNested) {
  Settings s = Updating();
  s.logEverything = true;
  Write(s);
  Session session(platform, shell, Mode(true));
  bool first = true;
  shell.duringMessageBox = [&](const std::string&) {
    if (!std::exchange(first, false)) return;
    session.Window().intervalBox.Edit("abc");
    session.Window().intervalBox.Leave();
    shell.RunPosted();  // the box's own loop runs what the Monitor posts meanwhile
  };
  session.Start();
  EXPECT_TRUE(WaitForStartupCheck(session, shell).addressObtained);
  shell.RunPosted();
  EXPECT_EQ(shell.deepestBox, 1);
  Lines boxes, logged;
  for (const auto& [text, title] : shell.messages)
    if (title == "Quorvane") boxes.push_back(text);
  const auto boxed = [&boxes](const std::string& text) { return std::ranges::count(boxes, text) > 0; };
  for (const std::string& line : shell.changeLogLines)
    if (boxed(line.substr(21))) logged.push_back(line.substr(21));
  std::erase_if(boxes, [&logged](const std::string& text) { return std::ranges::count(logged, text) == 0; });
  EXPECT_GE(logged.size(), 2u);
  EXPECT_EQ(boxes, logged);
  const auto numbersOnly = std::make_pair(std::string("Numbers only, please."), kTitle);
  EXPECT_EQ(std::count(shell.messages.begin(), shell.messages.end(), numbersOnly), 1);
  session.Window().intervalBox.Edit("x");
  session.Window().intervalBox.Leave();  // the queue is free again: this one shows at once
  EXPECT_EQ(shell.messages.back(), numbersOnly);
  EXPECT_EQ(session.Window().status.Text(), shell.statusLines.back());
  EXPECT_NE(session.Window().ddnsLog.Text().find("home.example.net"), std::string::npos);
}

// An unreadable config.txt (never overwritten then), a failed save and no data folder (the defaults run)
// are said: a warning everywhere, for the config.txt faults a box too where there is a window.
TEST_F(SessionTest, UnreadableSettingsAFailedSaveAndNoDataFolderAreSaid) {
  constexpr std::uintmax_t kTooLarge = 17 * 1024 * 1024;  // beyond what is read
  enum Problem { Unreadable, Unsaved, NoDataFolder };
  for (const bool headless : {false, true}) {
    for (const Problem problem : {Unreadable, Unsaved, NoDataFolder}) {
      SCOPED_TRACE(3 * headless + problem);
      WriteAll(File(kConfigFileName), "");
      if (problem == Unreadable) std::filesystem::resize_file(File(kConfigFileName), kTooLarge);
      if (problem == NoDataFolder) platform.appDataFolder.reset();
      FakeShell shell;
      Session session(platform, shell, Mode(false, headless));
      session.Start();
      EXPECT_EQ(WaitForStartupCheck(session, shell).settingsUnreadable, problem == Unreadable);
      if (problem == Unsaved) platform.unwritable = {File(kConfigFileName)};
      session.Window().userName.Edit("edited");
      session.Stop();
      platform.unwritable.clear();
      platform.appDataFolder = temp.Path() + "/appdata";
      EXPECT_EQ(shell.quits, 1);
      ASSERT_EQ(shell.warnings.size(), 1u);
      EXPECT_EQ(session.SettingsSaved(), problem != Unsaved);
      EXPECT_TRUE(problem != Unsaved || shell.warnings[0].find(File(kConfigFileName)) != std::string::npos);
      ASSERT_EQ(shell.messages.size(), headless || problem == NoDataFolder ? 0u : 1u);
      EXPECT_TRUE(shell.messages.empty() || shell.messages[0] == std::make_pair(shell.warnings[0], kTitle));
      EXPECT_EQ(std::filesystem::file_size(File(kConfigFileName)), problem == Unreadable ? kTooLarge : 0);
    }
  }
}

// A stop in the start waits (nothing read, nothing saved); above a box it saves at once (Windows ends us).
TEST_F(SessionTest, StopDuringTheStartWaitsAStopAboveAMessageBoxDoesNot) {
  Write(Updating());
  const std::string config = ReadAll(File(kConfigFileName));
  {
    FakeShell shell;
    Session session(platform, shell, {});
    shell.duringSplash = [&] {
      session.Stop();
      EXPECT_EQ(shell.quits, 0);
    };
    session.Start();
    EXPECT_EQ(std::make_tuple(shell.quits, shell.trayAdds), std::make_tuple(1, 0));
  }
  EXPECT_EQ(ReadAll(File(kConfigFileName)), config);

  Session session(platform, shell, Mode(true));
  shell.duringMessageBox = [&](const std::string&) {
    session.Stop();
    EXPECT_EQ(shell.quits, 1);
    session.Window().intervalBox.Leave();  // asks for a box: none opens any more
  };
  session.Start();
  shell.RunPostedUntil([&] { return shell.quits > 0; });
  EXPECT_EQ(std::make_tuple(shell.quits, shell.messages.size()), std::make_tuple(1, std::size_t{1}));
  EXPECT_TRUE(session.SettingsSaved());
}

// A data folder that another copy holds is left alone: it is said, and this copy ends at once.
TEST_F(SessionTest, AFolderInUseIsLeftAlone) {
  platform.folderHeld = true;
  Session session(platform, shell, {});
  session.Start();
  EXPECT_TRUE(session.FolderInUse() && shell.quits == 1 && !std::filesystem::exists(File(kConfigFileName)));
  EXPECT_EQ(shell.messages.at(0).first, "Another copy of Quorvane is using the data folder " + Folder() +
                                            "; this one stops without touching it.");
}

// Show/Hide minimizes a shown window, else shows it; the icon or a second copy restores the old state.
TEST_F(SessionTest, TrayMenuAndWindowRules) {
  shell.state = WindowState::Maximized;
  Session session(platform, shell, {});
  shell.duringSplash = [&] { session.ShowFromTray(); };
  session.Start();
  EXPECT_EQ(std::make_tuple(shell.shown, shell.activations), std::make_tuple(true, 1));
  using enum WindowState;
  for (const auto& [fromIcon, wasShown, was, after] : {std::tuple{false, true, Normal, Minimized},
                                                       {false, true, Minimized, Normal},
                                                       {false, false, Normal, Normal},
                                                       {true, false, Minimized, Maximized}}) {
    shell.shown = wasShown, shell.state = was;
    fromIcon ? session.ShowFromTray() : session.TrayMenu()[0].action();
    EXPECT_EQ(std::make_tuple(shell.shown, shell.state), std::make_tuple(true, after));
  }
  session.TrayMenu()[5].action();  // Start at &Login: the entry made at once, the mark follows it
  EXPECT_TRUE(platform.startsAtLogin.value() && session.TrayMenu()[5].checked());
  session.TrayMenu()[6].action();  // &Notify Me of Problems: off, kept in preferences.txt at the stop
  EXPECT_FALSE(session.TrayMenu()[6].checked());
  session.TrayMenu()[7].action();  // &About: a box, no browser needed
  EXPECT_EQ(shell.messages.back().second + ": " + shell.messages.back().first,
            "About Quorvane: Quorvane 1.0\nCopyright (C) 2026 Brellisto. All rights reserved.\n"
            "https://brellisto.example/quorvane/");
  session.Stop();
  EXPECT_EQ(ReadAll(File("preferences.txt")), "notify-problems=no\r\n");
  shell.shown = false;
  session.ShowFromTray();  // nothing shows once stopped
  EXPECT_FALSE(shell.shown);
}

}  // namespace
}  // namespace quorvane::testing
