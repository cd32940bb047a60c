#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowModel.h"
#include "app/Shell.h"
#include "platform/Platform.h"

namespace quorvane {

class Monitor;

// How a front end runs the program.
struct SessionOptions {
  bool developerMode = false;  // "-dev" anywhere in the arguments: window at once, no tray icon,
                               // every change-log line also in a message box
  bool headless = false;       // the console: no window, no tray, no splash dialog
  int folderWaitMs = 0;        // how long the start waits for a data folder another copy holds
  std::string dataFolder;      // instead of the default one (ending with the separator); empty: default
};

// What the one-shot console run reports (its exit status).
struct StartupCheckResult {
  bool addressObtained = false;     // the startup check obtained a public address
  bool updateFailed = false;        // an update was sent and failed or was refused, or one is still owed
  bool settingsUnreadable = false;  // config.txt exists but could not be read (the one-shot run exits 1)
};

// One item of the tray menu; an empty caption is the separator line.
struct TrayMenuItem {
  std::string caption;
  std::function<void()> action;
  std::function<bool()> checked;  // a check item: whether its mark shows now; empty: a plain item
};

// The running program's life cycle, written once for every front end: start (splash, data folder,
// first run, settings, window or tray, the startup check), the tray menu, reload and every kind of
// stop. Lives on the UI thread; the checks run on the Monitor's own thread.
class Session {
 public:
  Session(Platform& platform, Shell& shell, SessionOptions options);
  ~Session();  // stops (and saves) when Stop did not run yet
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The window model: a front end builds its widgets from it before Start.
  MainWindowModel& Window();

  // The start sequence: returns as soon as the window or tray is up and the startup check has been
  // handed to the Monitor (it runs on its thread; the UI stays live).
  void Start();

  // The orderly stop for every cause (Quit, the close box, SIGTERM/SIGINT/SIGHUP, the end of a
  // Windows session, Ctrl+C): asks the Monitor to stop (a running check ends within a second), saves
  // the settings (a failure is said: a message box naming the file and the reason, or stderr on the
  // console), removes the tray icon, then calls Shell::Quit. Runs once; later calls do nothing.
  // Asked for during the start (a signal while the splash shows), it completes when the start ends:
  // nothing is saved before the settings were read. Later it completes at once, also from a message
  // box's nested loop (Windows ends the process when its session ends); no box opens after it.
  void Stop();
  bool Stopped() const;
  // False when the last save failed (the one-shot run exits 2 then).
  bool SettingsSaved() const;
  // True when another copy held the data folder: the start said so and stopped, touching no file.
  bool FolderInUse() const;

  // Reads config.txt again (SIGHUP): edits made on disk are taken in, the program's own changes stay.
  void Reload();

  // The tray menu: Show/Hide, View Log, Check Now, Update Now, separator, Start at Login (where the
  // desktop has an entry for it), Notify Me of Problems, About, Quit.
  const std::vector<TrayMenuItem>& TrayMenu() const;
  // The tray icon's left click, and what a second copy of the program asks for: the window shown,
  // restored from minimized and focused.
  void ShowFromTray();

  // Calls `done` (on the UI thread) once the startup check and the update it may cause have ended.
  void WhenStartupCheckDone(std::function<void(const StartupCheckResult&)> done);

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace quorvane
