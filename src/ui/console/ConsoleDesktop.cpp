#include "ui/console/ConsoleDesktop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace quorvane {

namespace {
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

sigset_t ReloadSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGHUP);
  return set;
}

// Shown text: line breaks of a multi-line value become separate output lines.
std::string WithoutTrailingLineBreaks(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}
}  // namespace

ConsoleDesktop::ConsoleDesktop(std::FILE* out, std::FILE* err) : out(out), err(err) {}

ConsoleDesktop::~ConsoleDesktop() {
  for (auto& [id, timer] : timers) close(timer.fd);
}

bool ConsoleDesktop::BlockStopSignals() {
  sigset_t set = StopSignals();
  sigaddset(&set, SIGHUP);  // RunLoop reads it as a reload request
  signal(SIGPIPE, SIG_IGN);
  return sigprocmask(SIG_BLOCK, &set, nullptr) == 0;
}

bool ConsoleDesktop::StopSignalPending() {
  sigset_t pending;
  if (sigpending(&pending) != 0) return false;
  return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1;
}

bool ConsoleDesktop::RunLoop() {
  sigset_t set = StopSignals();
  const int signalFd = signalfd(-1, &set, SFD_CLOEXEC);
  if (signalFd < 0) return false;
  // SIGHUP has a descriptor of its own, so that the stop signals' one stays about stopping only.
  const sigset_t reloadSet = ReloadSignals();
  const int reloadFd = signalfd(-1, &reloadSet, SFD_CLOEXEC);
  for (;;) {
    std::vector<pollfd> fds{{signalFd, POLLIN, 0}, {reloadFd, POLLIN, 0}};
    std::vector<int> ids;
    for (const auto& [id, timer] : timers) {
      fds.push_back({timer.fd, POLLIN, 0});
      ids.push_back(id);
    }
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      close(signalFd);
      if (reloadFd >= 0) close(reloadFd);
      return false;
    }
    signalfd_siginfo info{};
    if ((fds[1].revents & POLLIN) && read(reloadFd, &info, sizeof info) == sizeof info && reload) reload();
    if (fds[0].revents & POLLIN) break;
    for (std::size_t i = 2; i < fds.size(); ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      std::uint64_t expirations = 0;
      if (read(fds[i].fd, &expirations, sizeof expirations) != sizeof expirations) continue;
      // Ticks missed while a check blocked are not made up: one call per wake-up, as a message
      // queue coalesces timer messages.
      auto timer = timers.find(ids[i - 2]);
      if (timer != timers.end()) {
        std::function<void()> procedure = timer->second.procedure;
        procedure();
      }
    }
  }
  close(signalFd);
  if (reloadFd >= 0) close(reloadFd);
  return true;
}

void ConsoleDesktop::PrintLine(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

void ConsoleDesktop::ShowSplash(const SplashText& text) {
  PrintLine(out, text.productName + " " + text.version);
  PrintLine(out, text.copyright);
}

void ConsoleDesktop::MessageBox(const std::string& text, const std::string& title) {
  PrintLine(err, title + ": " + text);
}

void ConsoleDesktop::OpenTextViewer(const std::string& path) {
  PrintLine(out, "Change log: " + path);
}

void ConsoleDesktop::OpenWebPage(const std::string& url) {
  PrintLine(out, url);
}

void ConsoleDesktop::ChangeLogLine(const std::string& line) {
  PrintLine(out, line);
}

void ConsoleDesktop::Warn(const std::string& message) {
  PrintLine(err, message);
}

void ConsoleDesktop::StartTimer(int id, int periodMs, std::function<void()> procedure) {
  KillTimer(id);
  const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
  if (fd < 0) return;
  itimerspec spec{};
  spec.it_interval.tv_sec = periodMs / 1000;
  spec.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1000000L;
  spec.it_value = spec.it_interval;
  if (timerfd_settime(fd, 0, &spec, nullptr) != 0) {
    close(fd);
    return;
  }
  timers[id] = Timer{fd, std::move(procedure)};
}

void ConsoleDesktop::KillTimer(int id) {
  auto timer = timers.find(id);
  if (timer == timers.end()) return;
  close(timer->second.fd);
  timers.erase(timer);
}

void ConsoleDesktop::ControlChanged(const Control& control) {
  if (control.Name() == "lblStatus") {
    if (control.Text() != statusShown) {
      statusShown = control.Text();
      if (!statusShown.empty()) PrintLine(out, "Status: " + WithoutTrailingLineBreaks(statusShown));
    }
  } else if (control.Name() == "txtSMTPlog") {
    const std::string& text = control.Text();
    if (text.size() < ddnsLogShown) ddnsLogShown = 0;
    std::string added = text.substr(ddnsLogShown);
    ddnsLogShown = text.size();
    while (!added.empty() && (added.front() == '\r' || added.front() == '\n')) added.erase(0, 1);
    added = WithoutTrailingLineBreaks(added);
    if (!added.empty()) PrintLine(out, added);
  }
}

}  // namespace quorvane
