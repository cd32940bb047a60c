#pragma once

// First: it includes the Windows headers and takes back the name MessageBox.
#include "frontends/win32/Win32MainWindow.h"
#include "frontends/win32/Win32Tray.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/Session.h"
#include "app/Shell.h"

namespace quorvane {

// "notepad" with the path quoted, so that a blank in the user's folder does not split it.
std::string ViewerCommandLine(const std::string& path);

// What the running program does for the window and the icon (the Session, or a test's stand-in).
struct Win32ShellActions {
  std::vector<TrayMenuItem> trayMenu;
  std::function<void()> showFromTray;  // the icon's left click, a second copy's request
  std::function<void()> stop;          // the close box, the end of the Windows session
};

// The Windows front end: the window model shown as a Win32 window, the notification-area icon with
// its menu and window hook, tasks from other threads run through the window's message queue,
// message boxes, the clipboard and the user's viewers.
class Win32Shell : public Shell {
 public:
  using NotifyIcon = Win32Tray::NotifyIcon;

  // notifyIcon stands for Shell_NotifyIconA (tests watch the icon through it).
  explicit Win32Shell(HINSTANCE instance, NotifyIcon notifyIcon = Shell_NotifyIconA);
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  // Builds the window (hidden) for the model. Call once, before the Session starts.
  void Attach(MainWindowModel& model, Win32ShellActions actions);
  void Attach(Session& session);
  HWND Window() const { return window ? window->Handle() : nullptr; }
  Win32MainWindow& MainWindow() { return *window; }
  HMENU TrayMenu() const { return tray.Menu(); }
  // What a second copy of the program asks for: the same number in every process.
  static UINT ShowRequestMessage();

  void Post(std::function<void()> task) override;
  void ShowSplash(const SplashText& text) override;
  void ShowWindow() override;
  void HideWindow() override;
  bool WindowShown() override;
  WindowState GetWindowState() override;
  void SetWindowState(WindowState state) override;
  void SetExpanded(bool expanded) override;
  void SetCaption(const std::string& caption) override;
  void SetBackgroundPicture(const std::string& path) override;
  void FocusControl(const Control& control) override;
  void ActivateWindow() override;
  void MessageBox(const std::string& text, const std::string& title) override;
  bool SetClipboardText(const std::string& text) override;
  void OpenTextViewer(const std::string& path) override;
  void AddToTray() override;
  void SetTrayTip(const std::string& tip) override;
  void RemoveFromTray() override;
  void Notify(const std::string& text) override;
  void ChangeLogLine(const std::string&) override {}
  void Warn(const std::string& message) override;
  void Quit() override;

 private:
  bool Received(UINT message);
  void RunNextTask();
  void CloseTasks();
  void Centre();

  HINSTANCE instance;
  Win32Tray tray;
  Win32ShellActions actions;
  std::unique_ptr<Win32MainWindow> window;
  bool shownBefore = false;

  // Tasks from any thread, in the order posted; each has one message on the window's queue.
  std::mutex taskLock;
  std::deque<std::function<void()>> tasks;
  HWND taskWindow = nullptr;  // null before the window exists
  bool tasksClosed = false;   // the window is gone: later tasks are dropped
};

}  // namespace quorvane
