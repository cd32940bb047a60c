#pragma once

#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "app/Shell.h"

namespace quorvane {

// A file descriptor closed with its owner.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd(fd) {}
  ~UniqueFd();
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return fd; }
  bool Valid() const { return fd >= 0; }

 private:
  int fd;
};

// The headless front end: no window and no tray. Its loop sleeps in poll() on two descriptors: an
// eventfd that Post writes to (from any thread) and a signalfd for SIGINT, SIGTERM and SIGHUP. It has
// no timers of its own: the Monitor's thread keeps the minutes. Change-log lines, status changes and
// DDNS-log lines go to stdout, message boxes and warnings to stderr, each as one line with its control
// characters written visibly, as the change log writes them.
class ConsoleShell : public Shell {
 public:
  ConsoleShell(std::FILE* out, std::FILE* err);

  // Blocks SIGINT, SIGTERM and SIGHUP, so that they reach Run's signalfd instead of ending the process,
  // and ignores SIGPIPE. Call first in main: threads started later inherit the mask.
  static bool BlockSignals();
  // True when SIGINT or SIGTERM waits for Run (blocked, not yet read): a wait before the loop runs
  // ends on it.
  static bool StopSignalPending();

  // Runs posted tasks until Quit: SIGINT and SIGTERM call onStop, SIGHUP and SIGUSR2 onReload. Tasks posted
  // before Quit still run; later ones are dropped. False when the loop could not be set up or poll failed.
  bool Run(const std::function<void()>& onStop, const std::function<void()>& onReload);

  void Post(std::function<void()> task) override;
  void ShowSplash(const SplashText& text) override;
  void ShowWindow() override { shown = true; }
  void HideWindow() override { shown = false; }
  bool WindowShown() override { return shown; }
  WindowState GetWindowState() override { return state; }
  void SetWindowState(WindowState newState) override { state = newState; }
  void SetExpanded(bool) override {}
  void SetCaption(const std::string&) override {}
  void SetBackgroundPicture(const std::string&) override {}
  void FocusControl(const Control&) override {}
  void MessageBox(const std::string& text, const std::string& title) override;
  bool SetClipboardText(const std::string&) override { return false; }
  void OpenTextViewer(const std::string& path) override;
  void AddToTray() override {}
  void SetTrayTip(const std::string&) override {}
  void RemoveFromTray() override {}
  void ChangeLogLine(const std::string& line) override;
  void StatusLine(const std::string& text) override;
  void DdnsLogLines(const std::string& lines) override;
  void Warn(const std::string& message) override;
  void Quit() override { quit = true; }

 private:
  static void PrintLine(std::FILE* stream, const std::string& text);
  void RunPosted();

  std::FILE* out;
  std::FILE* err;
  UniqueFd wake;
  UniqueFd signals;
  std::mutex queueMutex;
  std::deque<std::function<void()>> queue;  // guarded by queueMutex
  bool loopEnded = false;                   // guarded by queueMutex
  bool quit = false;
  bool shown = false;
  WindowState state = WindowState::Normal;
  std::string statusShown;
};

}  // namespace quorvane
