#include "app/Monitor.h"

#include <algorithm>
#include <chrono>

#include "app/MonitorState.h"
#include "core/ComputerName.h"

namespace quorvane {

namespace {

constexpr auto kTickPeriod = std::chrono::minutes(1);

}  // namespace

Monitor::Worker::Worker(Platform& platform, Shell& shell, MonitorConfig config, MonitorEvents events)
    : platform(platform), shell(shell), config(std::move(config)), events(std::move(events)) {}

Monitor::Monitor(Platform& platform, Shell& shell, MonitorConfig config, MonitorEvents events)
    : worker(std::make_unique<Worker>(platform, shell, std::move(config), std::move(events))) {}

Monitor::~Monitor() {
  Stop();
}

MonitorLoad Monitor::Load() {
  return worker->Load();
}

std::string Monitor::ComputerName() {
  return ShownComputerName(worker->platform.ComputerName());
}

void Monitor::Start() {
  Worker& w = *worker;
  std::lock_guard lock(w.mutex);
  if (w.started || w.stopResult) return;
  w.started = true;
  // Every network wait and pause of the platform ends once the Monitor stops.
  w.platform.SetStopQuery([token = w.stopSource.get_token()] { return token.stop_requested(); });
  w.queue.push_back(Command::Startup);
  w.thread = std::jthread([&w] { w.Run(w.stopSource.get_token()); });
}

// Queues a command unless one of its kind waits already.
void Monitor::Worker::Enqueue(Command command) {
  Worker& w = *this;
  {
    std::lock_guard lock(w.mutex);
    if (w.stopResult || std::find(w.queue.begin(), w.queue.end(), command) != w.queue.end()) return;
    // A minute tick that comes while a check runs is skipped, not kept for later.
    if (command == Command::Tick && w.running) return;
    w.queue.push_back(command);
  }
  w.wake.notify_all();
}

void Monitor::CheckNow() {
  worker->Enqueue(Command::CheckNow);
}

void Monitor::UpdateNow() {
  worker->Enqueue(Command::UpdateNow);
}

void Monitor::ApplySettings(const Settings& settings) {
  {
    std::lock_guard lock(worker->mutex);
    worker->pendingSettings = settings;
  }
  worker->Enqueue(Command::ApplySettings);
}

void Monitor::Reload() {
  worker->Enqueue(Command::Reload);
}

void Monitor::Tick() {
  worker->Enqueue(Command::Tick);
}

void Monitor::WaitUntilIdle() {
  Worker& w = *worker;
  std::unique_lock lock(w.mutex);
  w.idle.wait(lock, [&w] { return !w.thread.joinable() || (w.queue.empty() && !w.running); });
}

SaveResult Monitor::Stop() {
  Worker& w = *worker;
  {
    std::lock_guard lock(w.mutex);
    if (w.stopResult) return *w.stopResult;
    w.stopResult = SaveResult{};
    // Under the lock the thread checks for a stop with: the wake-up below cannot come too early.
    w.stopSource.request_stop();
  }
  w.wake.notify_all();
  if (w.thread.joinable()) w.thread.join();
  w.idle.notify_all();
  // The window's latest edits are kept even when the thread never took them.
  std::optional<Settings> edited;
  {
    std::lock_guard lock(w.mutex);
    edited.swap(w.pendingSettings);
  }
  if (edited) w.ApplySettings(std::move(*edited));
  const SaveResult result = w.Save();
  std::lock_guard lock(w.mutex);
  w.stopResult = result;
  return result;
}

void Monitor::Worker::Run(std::stop_token stop) {
  auto nextTick = std::chrono::steady_clock::now() + kTickPeriod;
  std::unique_lock lock(mutex);
  while (!stop.stop_requested()) {
    if (queue.empty()) {
      idle.notify_all();
      // A plain condition variable: waiting on the stop token's own callback has hung a thread's
      // exit under Windows's threads library.
      const auto commandOrStop = [this, &stop] { return !queue.empty() || stop.stop_requested(); };
      const bool woken = config.manualTicks ? (wake.wait(lock, commandOrStop), true)
                                            : wake.wait_until(lock, nextTick, commandOrStop);
      if (stop.stop_requested()) break;
      if (!woken || queue.empty()) {
        // The minute tick: one wake-up a minute while idle.
        nextTick += kTickPeriod;
        queue.push_back(Command::Tick);
      }
    }
    const Command command = queue.front();
    queue.pop_front();
    running = true;
    lock.unlock();
    Execute(command);
    lock.lock();
    running = false;
    // Ticks that fell due while the command ran are skipped.
    const auto now = std::chrono::steady_clock::now();
    while (nextTick <= now) nextTick += kTickPeriod;
  }
  queue.clear();
  running = false;
  idle.notify_all();
}

void Monitor::Worker::Execute(Command command) {
  switch (command) {
    case Command::Startup:
      Check(true);
      startingUp = false;
      minuteCount = 0;
      if (!Stopping())
        Emit(events.startupCheckDone, lastExternal.address.has_value(),
             lastUpdateFailed || (owed.kind != OwedKind::None && settings.updateEnabled));
      break;
    case Command::CheckNow:
      Check(true);
      break;
    case Command::UpdateNow:
      UpdateStep(true, lastExternal.address);
      break;
    case Command::ApplySettings: {
      std::optional<Settings> edited;
      {
        std::lock_guard lock(mutex);
        edited.swap(pendingSettings);
      }
      if (edited) ApplySettings(std::move(*edited));
      break;
    }
    case Command::Reload:
      Reload();
      break;
    case Command::Tick:
      TimedTick();
      break;
  }
}

}  // namespace quorvane
