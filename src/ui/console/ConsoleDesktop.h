#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "ui/Desktop.h"
#include "ui/frmMain.h"

namespace quorvane {

// The headless front end: no window and no tray. Change-log lines, status-line changes and DDNS-log
// lines go to stdout; developer-mode message boxes become lines on stderr and never block. The window
// geometry is kept as numbers so the model behaves as with a real window.
class ConsoleDesktop : public Desktop, public TimerService, public FormView {
 public:
  ConsoleDesktop(std::FILE* out, std::FILE* err);
  ~ConsoleDesktop() override;

  // Blocks SIGINT and SIGTERM (and SIGHUP) so that they are received by RunLoop instead of ending the
  // process. Call before anything else runs.
  static bool BlockStopSignals();
  // True while SIGINT or SIGTERM waits to be read by RunLoop: a running check can end early on it.
  static bool StopSignalPending();
  // Runs the timers until SIGINT or SIGTERM arrives. The process sleeps in the kernel between ticks.
  // False when the loop could not be set up.
  bool RunLoop();
  // What SIGHUP does in RunLoop: read the settings again, as daemons do.
  void SetReloadHandler(std::function<void()> handler) { reload = std::move(handler); }

  void ShowSplash(const SplashText& text) override;
  void ShowWindow() override { visible = true; }
  void HideWindow() override { visible = false; }
  bool WindowVisible() override { return visible; }
  WindowState GetWindowState() override { return state; }
  void SetWindowState(WindowState s) override { state = s; }
  int WindowHeight() override { return height; }
  void SetWindowHeight(int twips) override { height = twips; }
  int WindowWidth() override { return frmMain::kWidth; }
  void MoveWindow(int, int) override {}
  int ScreenWidth() override { return kScreenWidthTwips; }
  int ScreenHeight() override { return kScreenHeightTwips; }
  void SetCaption(const std::string&) override {}
  void SetBackgroundPicture(const std::string&) override {}
  void FocusControl(const std::string&) override {}
  void MessageBox(const std::string& text, const std::string& title) override;
  bool SetClipboardText(const std::string&) override { return false; }
  void OpenTextViewer(const std::string& path) override;
  void OpenWebPage(const std::string& url) override;
  void AddToTray() override {}
  void SetTrayTip(const std::string&) override {}
  void RemoveFromTray() override {}
  void ChangeLogLine(const std::string& line) override;
  void Warn(const std::string& message) override;

  void StartTimer(int id, int periodMs, std::function<void()> procedure) override;
  void KillTimer(int id) override;

  void ControlChanged(const Control& control) override;

 private:
  static constexpr int kScreenWidthTwips = 1920 * 15;
  static constexpr int kScreenHeightTwips = 1080 * 15;

  struct Timer {
    int fd;
    std::function<void()> procedure;
  };

  void PrintLine(std::FILE* stream, const std::string& text);

  std::FILE* out;
  std::FILE* err;
  bool visible = false;
  WindowState state = WindowState::Normal;
  int height = frmMain::kLoadedHeight;
  std::map<int, Timer> timers;
  std::function<void()> reload;
  std::size_t ddnsLogShown = 0;
  std::string statusShown;
};

}  // namespace quorvane
