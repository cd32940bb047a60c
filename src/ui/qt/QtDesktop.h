#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <map>
#include <memory>

#include "ui/Desktop.h"
#include "ui/qt/QtMainWindow.h"

namespace quorvane {

class Program;

// The Linux desktop front end: the window model shown with Qt Widgets, the tray icon with its menu,
// the check timer on Qt's event loop, message boxes, the clipboard and the user's viewers.
class QtDesktop : public QObject, public Desktop, public TimerService {
 public:
  QtDesktop();
  ~QtDesktop() override;

  // Builds the window for the program's model. Call once, before Program::Main.
  void Attach(Program& program);
  QtMainWindow& Window() { return *window; }
  QMenu& TrayMenu() { return menu; }
  // The tray icon's left click, and what a second copy of the program asks for: the window shown,
  // restored from minimized and raised.
  void ShowFromTray();
  // Main has run: from now on a stop request can stop at once, and a request to show the window
  // that came during the start is carried out.
  void Started();
  // The orderly stop (the close box, the tray's Quit, SIGTERM): runs once, then ends the event loop.
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
  int TwipsPerPixel() const;
  void Minimized();
  void LookForTray();

  Program* program = nullptr;
  std::unique_ptr<QtMainWindow> window;
  QSystemTrayIcon tray;
  QMenu menu;
  bool trayShown = false;
  bool noTray = false;  // the desktop has no tray: the window stays the way in
  bool started = false;
  bool showWhenStarted = false;
  QTimer trayWatch;  // while the desktop has no tray: looks for one that starts later
  bool stopped = false;
  int heightTwips;
  std::string caption;
  std::map<int, std::unique_ptr<QTimer>> timers;
};

}  // namespace quorvane
