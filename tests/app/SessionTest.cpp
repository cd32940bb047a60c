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
  void UseCheckAndUpdate(bool logEverything = false) {
    Settings s = Updating();
    s.logEverything = logEverything;
    Write(s);
    platform.httpAnswers.assign(5, kGood);
  }
  // Runs the session's events until the startup check (and the update it caused) has ended.
  static StartupCheckResult WaitForStartupCheck(Session& session, FakeShell& shell) {
    std::optional<StartupCheckResult> result;
    session.WhenStartupCheckDone([&result](const StartupCheckResult& done) { result = done; });
    EXPECT_TRUE(shell.RunPostedUntil([&result] { return result.has_value(); }));
    return result.value_or(StartupCheckResult{});
  }
};

// Each mode starts once with what it shows; Quit, a signal's Stop, a second Stop and the end of the
// session object each save the window's edits, remove the tray icon and end the front end, once.
TEST_F(SessionTest, StartsAndEveryStopPathSavesAndQuitsOnce) {
  const struct {
    SessionOptions options;
    std::string stop;
    int splashes;
    bool shown, inTray;
  } cases[] = {
      {{}, "&Quit", 1, false, true},
      {{}, "destructor", 1, false, true},
      {{.developerMode = true}, "Stop twice", 1, true, false},
      {{.developerMode = true, .headless = true}, "Stop", 0, false, false},
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

// Without any data folder the program says so and runs on the defaults, writing no file.
TEST_F(SessionTest, NoDataFolder) {
  std::filesystem::remove_all(temp.Path() + "/appdata");
  platform.appDataFolder.reset();
  Session session(platform, shell, {});
  session.Start();
  WaitForStartupCheck(session, shell);
  EXPECT_EQ(session.Window().service.Text(), "DNS-O-Matic");
  EXPECT_EQ(shell.warnings.size(), 1u);
  session.Stop();
  EXPECT_FALSE(std::filesystem::exists(temp.Path() + "/appdata"));
}

// Developer mode shows change-log lines in message boxes, in the log's order; one that arrives while a
// box shows waits for it, and so does the window's own interval message.
TEST_F(SessionTest, MessageBoxesShowInOrderAndNeverNested) {
  UseCheckAndUpdate(true);
  Session session(platform, shell, {.developerMode = true});
  bool first = true;
  shell.duringMessageBox = [&](const std::string&) {
    if (!std::exchange(first, false)) return;
    session.Window().intervalBox.Edit("abc");
    session.Window().intervalBox.Leave();
    shell.RunPosted();  // the box's own loop runs what the Monitor posts meanwhile
  };
  session.Start();
  WaitForStartupCheck(session, shell);
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
}

// A config.txt that cannot be read (never overwritten then, and reported to the one-shot run) or
// cannot be saved at the stop is said: a warning everywhere, a box where there is a window.
TEST_F(SessionTest, UnreadableSettingsAndAFailedSaveAreSaid) {
  constexpr std::uintmax_t kTooLarge = 17 * 1024 * 1024;  // beyond what is read
  for (const bool headless : {false, true}) {
    for (const bool readable : {false, true}) {
      SCOPED_TRACE(2 * headless + readable);
      WriteAll(File(kConfigFileName), "");
      if (!readable) std::filesystem::resize_file(File(kConfigFileName), kTooLarge);
      FakeShell shell;
      Session session(platform, shell, {.headless = headless});
      session.Start();
      EXPECT_EQ(WaitForStartupCheck(session, shell).settingsUnreadable, !readable);
      if (readable) platform.unwritable = {File(kConfigFileName)};
      session.Window().userName.Edit("edited");
      session.Stop();
      platform.unwritable.clear();
      EXPECT_EQ(shell.quits, 1);
      ASSERT_EQ(shell.warnings.size(), 1u);
      EXPECT_TRUE(!readable || !session.SettingsSaved());
      EXPECT_TRUE(!readable || shell.warnings[0].find(File(kConfigFileName)) != std::string::npos);
      ASSERT_EQ(shell.messages.size(), headless ? 0u : 1u);
      EXPECT_TRUE(headless || shell.messages[0] == std::make_pair(shell.warnings[0], kTitle));
      EXPECT_EQ(std::filesystem::file_size(File(kConfigFileName)), readable ? 0 : kTooLarge);
    }
  }
}

// A stop during the start waits for it (nothing saved before the settings were read); once started, a
// stop above a message box saves at once (Windows ends the process when its session ends).
TEST_F(SessionTest, StopDuringTheStartWaitsAStopAboveAMessageBoxDoesNot) {
  UseCheckAndUpdate();
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

  Session session(platform, shell, {.developerMode = true});
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

TEST_F(SessionTest, TrayMenuAndWindowRules) {
  shell.state = WindowState::Maximized;  // the state a click on the icon restores a minimized window to
  Session session(platform, shell, {});
  shell.duringSplash = [&] { session.ShowFromTray(); };  // a second copy asks during the start
  session.Start();
  EXPECT_EQ(std::make_tuple(shell.shown, shell.activations), std::make_tuple(true, 1));

  using enum WindowState;
  for (const auto& [wasShown, was, after] :
       {std::tuple{true, Normal, Minimized}, {true, Minimized, Normal}, {false, Normal, Normal}}) {
    shell.shown = wasShown, shell.state = was;
    session.TrayMenu()[0].action();  // &Show/Hide
    EXPECT_EQ(std::make_tuple(shell.shown, shell.state), std::make_tuple(true, after));
  }
  shell.shown = false, shell.state = WindowState::Minimized;
  session.ShowFromTray();
  EXPECT_EQ(std::make_tuple(shell.shown, shell.state, shell.activations),
            std::make_tuple(true, WindowState::Maximized, 2));

  session.TrayMenu()[1].action();  // &View Log
  session.TrayMenu()[5].action();  // &About
  EXPECT_EQ(shell.viewed, Lines{File("ipchange.log")});
  EXPECT_EQ(shell.webPages, 1);
  session.Stop();
  shell.shown = false;
  session.ShowFromTray();  // nothing shows once stopped
  EXPECT_FALSE(shell.shown);
}

// The window's edits reach the running Monitor at once: the next update names the new host.
TEST_F(SessionTest, WindowEditsReachTheMonitorAtOnce) {
  UseCheckAndUpdate();
  Session session(platform, shell, {});
  session.Start();
  const StartupCheckResult result = WaitForStartupCheck(session, shell);
  EXPECT_TRUE(result.addressObtained && !result.updateFailed && !result.settingsUnreadable);
  int calls = 0;
  session.WhenStartupCheckDone([&calls](const StartupCheckResult&) { ++calls; });  // known: at once
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(session.Window().externalAddress.Text(), "203.0.113.7");
  ASSERT_FALSE(shell.statusLines.empty());
  EXPECT_EQ(session.Window().status.Text(), shell.statusLines.back());
  ASSERT_EQ(shell.ddnsLines.size(), 1u);
  session.Window().hostNames.Edit("new.example.net");
  session.Window().updateNow.Click();
  EXPECT_TRUE(shell.RunPostedUntil([&] { return shell.ddnsLines.size() == 2; }));
  EXPECT_NE(shell.ddnsLines.back().find("new.example.net"), std::string::npos);
  EXPECT_NE(session.Window().ddnsLog.Text().find("new.example.net"), std::string::npos);
}

}  // namespace
}  // namespace quorvane::testing
