#pragma once

// The Monitor's inside, shared by its source files (Monitor.cpp: thread and queue; MonitorCheck.cpp:
// the check; MonitorUpdate.cpp: the update step; MonitorFiles.cpp: config.txt, ip.txt, owed update).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "app/Monitor.h"
#include "core/OwedUpdate.h"
#include "core/UpdateAnswer.h"

namespace quorvane {

// The last address a check saw: never learnt (no ip.txt: shown as empty text), none obtained (shown
// and stored as "0.0.0.0"), or an address.
struct SeenAddress {
  bool learnt = false;
  std::optional<IPv4Address> address;

  bool IsNone() const { return learnt && !address; }
  std::string Text() const;
  // ip.txt's line: empty or unreadable text was never learnt; "0.0.0.0" is none.
  static SeenAddress FromText(std::string_view text);
  friend bool operator==(const SeenAddress&, const SeenAddress&) = default;
};

enum class Command { Startup, CheckNow, UpdateNow, ApplySettings, Reload, Tick };

struct Monitor::Worker {
  Worker(Platform& platform, Shell& shell, MonitorConfig config, MonitorEvents events);

  Platform& platform;
  Shell& shell;
  MonitorConfig config;  // its data folder is dropped when another copy holds it
  const MonitorEvents events;

  // The queue, guarded by mutex. At most one command of each kind waits; the latest settings win.
  std::mutex mutex;
  std::condition_variable wake;  // a command arrived (or stop)
  std::condition_variable idle;  // the queue ran empty
  std::deque<Command> queue;
  std::optional<Settings> pendingSettings;
  bool running = false;  // a command runs on the thread
  bool started = false;
  std::optional<SaveResult> stopResult;
  std::stop_source stopSource;
  std::jthread thread;

  // Owned by the thread while it runs; by the caller before Start and after Stop.
  Settings settings;
  Settings fileSettings;                     // what config.txt held when last read or written
  std::optional<std::string> fileText;       // its text then; nullopt: never read or written
  bool configUnreadable = false;             // exists but cannot be read: never overwritten
  std::unique_ptr<FolderClaim> folderClaim;  // this copy's hold on the data folder, until the end
  SeenAddress lastExternal;
  SeenAddress lastInternal;
  std::optional<IPv4Address> lastGoodExternal;
  std::optional<IPv4Address> lastGoodInternal;
  std::int64_t minuteCount = 0;  // ticks since the last timed check
  OwedUpdate owed;
  bool startingUp = true;
  bool lastUpdateFailed = false;
  std::string statusTip;
  // Said once per run (or per cause).
  bool emptyListSaid = false;
  bool unknownServiceSaid = false;
  // The stale-entry episode a notice was given for, and how many checks in a row learnt no address.
  enum class Episode { None, UpdateFailed, NoAddress } episode = Episode::None;
  int checksWithoutAddress = 0;
  bool ipFileProblemSaid = false;
  bool owedFileProblemSaid = false;
  bool changeLogProblemSaid = false;

  // Monitor.cpp
  void Run(std::stop_token stop);
  void Enqueue(Command command);
  void Execute(Command command);
  bool Stopping() const { return stopSource.stop_requested(); }
  template <typename Callback, typename... Args>
  void Emit(const Callback& callback, Args... args) {
    if (callback) shell.Post([callback, ... args = std::move(args)] { callback(args...); });
  }

  // MonitorCheck.cpp
  void TimedTick();
  void Check(bool requested);
  void RunCheck();
  std::optional<IPv4Address> Retrieve();
  bool RetryExternal(std::optional<IPv4Address>& external, bool& externalChanged);
  void ShowAddresses(const SeenAddress& external, const SeenAddress& internal);

  // MonitorUpdate.cpp
  void UpdateStep(bool send, const std::optional<IPv4Address>& address);
  void SendUpdate(const IPv4Address& address);
  bool ReportAnswer(const std::string& body, int status);
  void Announce(const StatusText& status, std::string_view outcome);
  void ShowStatus(const std::string& text, StatusColour colour);

  // MonitorFiles.cpp
  MonitorLoad Load();
  bool ClaimDataFolder();
  void Notice(Episode now, const std::string& text);
  void LoadConfig(MonitorLoad& load);
  void ApplySettings(Settings edited);
  void Reload();
  SaveResult Save();
  void WriteIpFile(const SeenAddress& external, const SeenAddress& internal);
  void SetOwed(const OwedUpdate& next);
  void DropOwedWhenUpdatesOff();
  void Problem(bool& said, const std::string& message);
  std::string PathOf(std::string_view fileName) const;
  void LogLine(const std::string& text);   // a change line: always, no message box
  void LogEvent(const std::string& text);  // also a developer-mode message box
  void LogIfEverything(const std::string& text);
};

}  // namespace quorvane
