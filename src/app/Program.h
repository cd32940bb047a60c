#pragma once

#include <string>

#include "app/ProgramState.h"
#include "ddns/modBase64.h"
#include "platform/Platform.h"
#include "ui/Desktop.h"
#include "ui/frmMain.h"

namespace quorvane {

// The program object (module modQuorvane): owns the one ProgramState, the main window model and the
// modules' own state, and reaches the OS only through the platform, desktop and timer it is given.
class Program {
 public:
  static constexpr int kCheckTimerId = 1;
  static constexpr int kCheckTimerPeriodMs = 60000;
  // Developer mode is on when this text stands anywhere in the arguments ("-device" counts).
  static constexpr const char* kDevSwitch = "-dev";

  Program(Platform& platform, Desktop& desktop, TimerService& timers);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The start sequence. argumentText is the command line without the program's own path.
  void Main(const std::string& argumentText);
  // The orderly stop: kills the timer, saves config.txt, removes the tray icon. Safe to repeat.
  void ShutDown();

  Platform& platform;
  Desktop& desktop;
  TimerService& timers;
  ProgramState state;
  Base64Codec base64;
  frmMain form;

  // True while a check or an update runs; a timer tick arriving then is skipped, not nested.
  bool busy = false;
  // A Check Now or Update Now that arrived while busy; each runs once when the running one ends.
  bool checkPending = false;
  bool updatePending = false;
  // Runs the requests that waited, unless something still runs or a stop was requested.
  void RunPendingRequests();

 private:
  void FixDataFolder();
  void FillDropDownLists();
};

}  // namespace quorvane
