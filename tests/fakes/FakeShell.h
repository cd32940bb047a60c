#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/Control.h"
#include "app/Shell.h"

namespace quorvane::testing {

// A front end recording what it is asked; posted tasks wait until the test runs them, in its own order.
class FakeShell : public Shell {
 public:
  bool shown = false, expanded = false, inTray = false;
  WindowState state = WindowState::Normal;
  std::string caption;
  std::vector<std::pair<std::string, std::string>> messages;  // text, title
  int splashes = 0, trayAdds = 0, trayRemoves = 0, quits = 0, activations = 0;
  int boxDepth = 0, deepestBox = 0;  // message boxes open now, and the most ever open at once
  std::vector<std::string> focused, changeLogLines, statusLines, warnings;
  // Run inside ShowSplash and MessageBox, as their nested loops would run what comes meanwhile.
  std::function<void()> duringSplash;
  std::function<void(const std::string& text)> duringMessageBox;

  void Post(std::function<void()> task) override {
    const std::lock_guard lock(mutex);
    tasks.push_back(std::move(task));
    posted.notify_all();
  }
  // Runs the posted tasks, those they post included, until none is left.
  void RunPosted() {
    for (std::unique_lock lock(mutex); !tasks.empty(); lock.lock()) {
      std::function<void()> task = std::move(tasks.front());
      tasks.pop_front();
      lock.unlock();
      task();
    }
  }
  // Runs posted tasks as they arrive until `done` holds; false when it did not within ten seconds.
  bool RunPostedUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (RunPosted(); !done(); RunPosted()) {
      std::unique_lock lock(mutex);
      if (!posted.wait_until(lock, end, [this] { return !tasks.empty(); })) return done();
    }
    return true;
  }

  void ShowSplash(const SplashText&) override {
    ++splashes;
    if (duringSplash) duringSplash();
  }
  void ShowWindow() override { shown = true; }
  void HideWindow() override { shown = false; }
  bool WindowShown() override { return shown; }
  WindowState GetWindowState() override { return state; }
  void SetWindowState(WindowState newState) override { state = newState; }
  void SetExpanded(bool on) override { expanded = on; }
  void SetCaption(const std::string& text) override { caption = text; }
  void SetBackgroundPicture(const std::string&) override {}
  void FocusControl(const Control& control) override { focused.push_back(control.Name()); }
  void ActivateWindow() override { ++activations; }
  void MessageBox(const std::string& text, const std::string& title) override {
    messages.emplace_back(text, title);
    deepestBox = std::max(deepestBox, ++boxDepth);
    if (duringMessageBox) duringMessageBox(text);
    --boxDepth;
  }
  bool SetClipboardText(const std::string&) override { return true; }
  void OpenTextViewer(const std::string&) override {}
  void AddToTray() override { ++trayAdds, inTray = true; }
  void SetTrayTip(const std::string&) override {}
  void RemoveFromTray() override { trayRemoves += inTray ? 1 : 0, inTray = false; }
  void ChangeLogLine(const std::string& line) override { changeLogLines.push_back(line); }
  void StatusLine(const std::string& text) override { statusLines.push_back(text); }
  void Warn(const std::string& message) override { warnings.push_back(message); }
  void Quit() override { ++quits; }

 private:
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<std::function<void()>> tasks;
};

}  // namespace quorvane::testing
