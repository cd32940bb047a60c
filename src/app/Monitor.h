#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Control.h"
#include "app/Shell.h"
#include "core/Settings.h"
#include "platform/Platform.h"

namespace quorvane {

// The last external and internal address, one per line.
inline constexpr const char* kIpFileName = "ip.txt";

// What the Monitor reports. Every callback runs on the UI thread (the Monitor posts it through
// Shell::Post), in the order the Monitor reported it; an empty callback is skipped.
struct MonitorEvents {
  // The addresses as the window shows them ("0.0.0.0" when not obtained, empty when never learnt).
  std::function<void(const std::string& external, const std::string& internal)> addresses;
  std::function<void(const std::string& tip)> trayTip;
  // The status line: text, colour and its tip (the provider's answer).
  std::function<void(const std::string& text, Rgb colour, const std::string& tip)> status;
  // Lines to append to the DDNS log (the request, secrets masked).
  std::function<void(const std::string& lines)> ddnsLog;
  // A line written to the change log ("MM-DD-YYYY HH:MM:SS: text").
  std::function<void(const std::string& line)> changeLogLine;
  // Developer mode: the text of a change-log line, for a message box (shown in order; the Monitor
  // does not wait for it).
  std::function<void(const std::string& message)> developerMessage;
  // The Monitor changed the settings itself (the date of an update, updates switched off after
  // "badsys", a reload from disk): the window shows them.
  std::function<void(const Settings& settings)> settingsChanged;
  // A check or an update started or ended.
  std::function<void(bool checking, bool updating)> busy;
  // The startup check (and the update it may cause) has ended.
  std::function<void(bool addressObtained, bool updateFailed)> startupCheckDone;
  // A problem the user must hear of although the program runs on (a file that could not be
  // written); said once per cause.
  std::function<void(const std::string& message)> problem;
  // The DNS entry went stale (an update failed or was refused, or the address could not be learnt at
  // three checks in a row), or it is fresh again: one notice each way per episode, for a desktop
  // notification.
  std::function<void(const std::string& text)> notice;
};

// Where the Monitor keeps its files and how it names itself.
struct MonitorConfig {
  std::string dataFolder;  // ends with a separator; empty: no folder, nothing is read or written
  std::string tempFolder;  // ends with a separator; empty: the public address cannot be learnt
  std::string userAgent;
  bool developerMode = false;
  // No minute timer of its own: the caller sends each minute tick through Monitor::Tick (tests on a
  // manual clock).
  bool manualTicks = false;
  // How long the start waits for a data folder that another copy holds (a one-shot run waits for a
  // copy that is saving); 0: it gives up at once.
  int folderWaitMs = 0;
};

// What loading the data folder found.
struct MonitorLoad {
  Settings settings;
  bool firstRun = false;               // the folder held no ordinary file: defaults were written
  std::optional<std::string> problem;  // config.txt exists but could not be read (never overwritten)
  bool folderInUse = false;            // another copy holds the data folder: nothing was read, and
                                       // this Monitor reads and writes no file
};

// The result of the final save.
struct SaveResult {
  bool saved = true;
  std::string file;    // the file that could not be written
  std::string reason;  // the system's words
};

// The owner of the settings, the monitor state (last addresses, minute count, owed update) and every
// data file (config.txt, ip.txt, ipchange.log, owed-update.txt, wan_ip.txt). Checks and updates run on
// its own thread; commands reach it through a queue; a command that arrives during a check waits its
// turn (at most one of each kind); a minute tick during a check is skipped. Reports leave through
// MonitorEvents on the UI thread. The UI thread never waits on the network: only Stop joins, and a
// stop ends every network wait and pause within a second.
class Monitor {
 public:
  Monitor(Platform& platform, Shell& shell, MonitorConfig config, MonitorEvents events);
  ~Monitor();  // Stop, when it did not run
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // On the UI thread before Start: the first run's defaults, config.txt, ip.txt and the owed update.
  MonitorLoad Load();
  // The computer's name as the window shows it.
  std::string ComputerName();
  // Starts the thread: the startup check first, then a check every interval (minute ticks).
  void Start();

  // Commands, from the UI thread.
  void CheckNow();
  void UpdateNow();
  void ApplySettings(const Settings& settings);  // the window's edits; the latest wins
  void Reload();                                 // config.txt again: edits on disk taken in
  // One minute tick (with manualTicks); dropped when a check runs or a tick waits already.
  void Tick();
  // Blocks until no command waits and none runs (tests, and callers that need the outcome).
  void WaitUntilIdle();

  // Ends the thread (a running check is abandoned within a second, nothing of it half-stored), then
  // saves config.txt. Runs once; later calls return the first result.
  SaveResult Stop();

 private:
  struct Worker;
  std::unique_ptr<Worker> worker;
};

}  // namespace quorvane
