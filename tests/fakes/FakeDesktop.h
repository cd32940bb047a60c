#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/Desktop.h"

namespace quorvane::testing {

// A desktop that records what the program asked of it.
class FakeDesktop : public Desktop, public TimerService {
 public:
  std::vector<SplashText> splashes;
  bool visible = true;
  WindowState state = WindowState::Normal;
  int height = 6045;
  int width = 5085;
  int left = 0, top = 0;
  int screenWidth = 28800, screenHeight = 16200;
  std::string caption;
  std::string backgroundPicture;
  std::vector<std::string> focused;
  std::vector<std::pair<std::string, std::string>> messages;  // text, title
  std::string clipboard;
  bool clipboardWorks = true;
  std::vector<std::string> openedFiles, openedPages;
  int trayAdds = 0, trayRemoves = 0;
  bool trayInstalled = false;
  std::vector<std::string> trayTips;
  std::vector<std::string> logLines;
  std::vector<std::string> warnings;

  struct Timer {
    int periodMs;
    std::function<void()> procedure;
  };
  std::map<int, Timer> timers;
  int timerKills = 0;
  // Runs the procedure of a running timer once, as the message loop would on a tick.
  void Tick(int id = 1) {
    auto it = timers.find(id);
    if (it != timers.end()) it->second.procedure();
  }

  void ShowSplash(const SplashText& text) override { splashes.push_back(text); }
  void ShowWindow() override { visible = true; }
  void HideWindow() override { visible = false; }
  bool WindowVisible() override { return visible; }
  WindowState GetWindowState() override { return state; }
  void SetWindowState(WindowState s) override { state = s; }
  int WindowHeight() override { return height; }
  void SetWindowHeight(int twips) override { height = twips; }
  int WindowWidth() override { return width; }
  void MoveWindow(int l, int t) override { left = l, top = t; }
  int ScreenWidth() override { return screenWidth; }
  int ScreenHeight() override { return screenHeight; }
  void SetCaption(const std::string& c) override { caption = c; }
  void SetBackgroundPicture(const std::string& path) override { backgroundPicture = path; }
  void FocusControl(const std::string& name) override { focused.push_back(name); }
  void MessageBox(const std::string& text, const std::string& title) override {
    messages.emplace_back(text, title);
  }
  bool SetClipboardText(const std::string& text) override {
    if (!clipboardWorks) return false;
    clipboard = text;
    return true;
  }
  void OpenTextViewer(const std::string& path) override { openedFiles.push_back(path); }
  void OpenWebPage(const std::string& url) override { openedPages.push_back(url); }
  void AddToTray() override { ++trayAdds, trayInstalled = true; }
  void SetTrayTip(const std::string& tip) override { trayTips.push_back(tip); }
  void RemoveFromTray() override {
    if (trayInstalled) ++trayRemoves;
    trayInstalled = false;
  }
  void ChangeLogLine(const std::string& line) override { logLines.push_back(line); }
  void Warn(const std::string& message) override { warnings.push_back(message); }

  void StartTimer(int id, int periodMs, std::function<void()> procedure) override {
    timers[id] = Timer{periodMs, std::move(procedure)};
  }
  void KillTimer(int id) override { timerKills += static_cast<int>(timers.erase(id)); }
};

}  // namespace quorvane::testing
