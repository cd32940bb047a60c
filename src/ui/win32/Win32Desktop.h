#pragma once

// First: it includes the Windows headers and takes back the name MessageBox.
#include "ui/win32/Win32MainWindow.h"
// Then the shell's.
#include <shellapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/Desktop.h"

namespace quorvane {

class Program;

// The message the tray icon sends to the main window; its lParam carries the mouse message.
inline constexpr UINT kTrayCallback = 2025;

// "notepad" with the path quoted, so that a blank in the user's folder does not split it.
std::string ViewerCommandLine(const std::string& path);

// The Windows front end: the window model shown as a Win32 window, the notification-area icon with
// its menu and window hook, the check timer on the message loop, message boxes, the clipboard and the
// user's viewers.
class Win32Desktop : public Desktop, public TimerService {
 public:
  using NotifyIcon = std::function<BOOL(DWORD operation, NOTIFYICONDATAA* record)>;

  // notifyIcon stands for Shell_NotifyIconA (tests watch the icon through it).
  explicit Win32Desktop(HINSTANCE instance, NotifyIcon notifyIcon = Shell_NotifyIconA);
  ~Win32Desktop() override;

  // Builds the window (hidden) for the program's model. Call once, before Program::Main.
  void Attach(Program& program);
  HWND Window() const { return window ? window->Handle() : nullptr; }
  Win32MainWindow& MainWindow() { return *window; }
  HMENU TrayMenu() const { return trayMenu; }
  // What a second copy of the program asks for.
  static UINT ShowRequestMessage();
  // Main has run: a stop can now save, and a show request that came during the start is carried out.
  void Started();
  // The tray icon's left click: the window shown, restored from minimized and focused.
  void ShowFromTray();
  // The orderly stop (the close box, the session's end): runs once, then the window goes.
  void StopProgram();

  void ShowSplash(const SplashText& text) override;
  void ShowWindow() override;
  void HideWindow() override;
  bool WindowVisible() override;
  WindowState GetWindowState() override;
  void SetWindowState(WindowState state) override;
  int WindowHeight() override { return heightTwips; }
  void SetWindowHeight(int twips) override;
  int WindowWidth() override;
  void MoveWindow(int leftTwips, int topTwips) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  void SetCaption(const std::string& caption) override;
  void SetBackgroundPicture(const std::string& path) override;
  void FocusControl(const std::string& controlName) override;
  void MessageBox(const std::string& text, const std::string& title) override;
  bool SetClipboardText(const std::string& text) override;
  void OpenTextViewer(const std::string& path) override;
  void OpenWebPage(const std::string& url) override;
  void AddToTray() override;
  void SetTrayTip(const std::string& tip) override;
  void RemoveFromTray() override;
  void ChangeLogLine(const std::string&) override {}
  void Warn(const std::string& message) override;

  void StartTimer(int id, int periodMs, std::function<void()> procedure) override;
  void KillTimer(int id) override;

 private:
  static LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT TrayMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowTrayMenu();
  void Tick(UINT_PTR id);
  bool Received(UINT message, WPARAM wParam);

  HINSTANCE instance;
  NotifyIcon notifyIcon;
  Program* program = nullptr;
  std::unique_ptr<Win32MainWindow> window;
  HMENU trayMenu = nullptr;
  UINT taskbarCreated = 0;
  bool started = false;
  bool showWhenStarted = false;
  bool stopped = false;
  int heightTwips = 0;
  std::map<UINT_PTR, std::function<void()>> timers;

  // The icon and the hook: the window procedure before the hook, and whether the icon is installed.
  WNDPROC oldWindowProc = nullptr;
  bool trayForm = false;
  NOTIFYICONDATAA iconData{};
};

}  // namespace quorvane
