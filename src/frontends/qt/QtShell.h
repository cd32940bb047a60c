#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <atomic>
#include <memory>

#include "app/Shell.h"
#include "frontends/qt/QtMainWindow.h"

namespace quorvane {

class Session;

// The Linux desktop front end: the window model shown with Qt Widgets, the tray icon with the
// session's menu, message boxes, the clipboard and the user's viewers, and Qt's event loop as the UI
// thread that the Monitor posts to.
class QtShell : public QObject, public Shell {
 public:
  QtShell();
  ~QtShell() override;

  // Builds the window from the session's model and the tray menu from its table. Call once, before
  // Session::Start.
  void Attach(Session& session);
  QtMainWindow& Window() { return *window; }
  QMenu& TrayMenu() { return menu; }
  // A stop asked from outside (a signal): a dialog waiting for the user (the splash, a message box)
  // is closed first, so that the stop does not wait for someone who is not there.
  void StopFromOutside();
  // Quit has run: the event loop is not to be entered (any more).
  bool Ended() const { return ended; }

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
  void Minimized();
  void LookForTray();
  void ShowTrayIcon();
  // The expanded window moves up into the screen's free area and, where it is still too tall, its
  // log box (then its URL box) shrinks.
  void KeepOnScreen();
  // With QUORVANE_LAYOUT_REPORT set: the window's place, the free area and the captions narrower than
  // their text, on stderr (the desktop session checks them at each scale).
  void ReportLayout();

  Session* session = nullptr;
  std::unique_ptr<QtMainWindow> window;
  std::unique_ptr<QSystemTrayIcon> tray;  // made once a tray host runs (see QtTrayHost.h)
  QMenu menu;
  std::string trayTip;
  QDBusServiceWatcher hostWatch;  // a StatusNotifier watcher that comes after the program
  bool trayShown = false;
  bool noTray = false;  // the desktop has no tray: the window stays the way in
  bool centred = false;
  QTimer trayWatch;  // while the desktop has no tray: looks for one that starts later
  std::string caption;
  std::atomic<bool> ended{false};  // read by Post on the Monitor's thread
};

}  // namespace quorvane
