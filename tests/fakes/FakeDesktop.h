#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/Desktop.h"

namespace quorvane::testing {

// A desktop and timer service that record what the program asked of them.
class FakeDesktop : public Desktop, public TimerService {
 public:
  bool visible = true;
  WindowState state = WindowState::Normal;
  int height = 6045;
  std::string caption;
  std::vector<std::string> focused;
  std::vector<std::pair<std::string, std::string>> messages;  // text, title
  int trayAdds = 0, trayRemoves = 0, timerKills = 0;
  bool trayInstalled = false;
  std::vector<std::string> trayTips, logLines, warnings;
  std::map<int, std::pair<int, std::function<void()>>> timers;  // id: period in milliseconds, procedure

  void ShowSplash(const SplashText&) override {}
  void ShowWindow() override { visible = true; }
  void HideWindow() override { visible = false; }
  bool WindowVisible() override { return visible; }
  WindowState GetWindowState() override { return state; }
  void SetWindowState(WindowState s) override { state = s; }
  int WindowHeight() override { return height; }
  void SetWindowHeight(int twips) override { height = twips; }
  int WindowWidth() override { return 5085; }
  void MoveWindow(int, int) override {}
  int ScreenWidth() override { return 28800; }
  int ScreenHeight() override { return 16200; }
  void SetCaption(const std::string& c) override { caption = c; }
  void SetBackgroundPicture(const std::string&) override {}
  void FocusControl(const std::string& name) override { focused.push_back(name); }
  void MessageBox(const std::string& text, const std::string& title) override {
    messages.emplace_back(text, title);
  }
  bool SetClipboardText(const std::string&) override { return true; }
  void OpenTextViewer(const std::string&) override {}
  void OpenWebPage(const std::string&) override {}
  void AddToTray() override { ++trayAdds, trayInstalled = true; }
  void SetTrayTip(const std::string& tip) override { trayTips.push_back(tip); }
  void RemoveFromTray() override { trayRemoves += trayInstalled, trayInstalled = false; }
  void ChangeLogLine(const std::string& line) override { logLines.push_back(line); }
  void Warn(const std::string& message) override { warnings.push_back(message); }
  void StartTimer(int id, int periodMs, std::function<void()> procedure) override {
    timers[id] = {periodMs, std::move(procedure)};
  }
  void KillTimer(int id) override { timerKills += static_cast<int>(timers.erase(id)); }
};

}  // namespace quorvane::testing
