#include "frontends/console/ConsoleShell.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "core/ChangeLog.h"
#include "platform/posix/PosixPlatform.h"

namespace quorvane {

namespace {

constexpr const char* kStatusPrefix = "Status: ";
constexpr const char* kChangeLogPrefix = "Change log: ";
constexpr const char* kTitleSeparator = ": ";

sigset_t LoopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, PosixPlatform::kReloadSignal);  // a settings command changed config.txt
  return set;
}

int SignalDescriptor(const sigset_t& set) {
  return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

std::string WithoutOuterLineBreaks(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const std::size_t start = text.find_first_not_of("\r\n");
  return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

UniqueFd::~UniqueFd() {
  if (fd >= 0) close(fd);
}

ConsoleShell::ConsoleShell(std::FILE* out, std::FILE* err)
    : out(out),
      err(err),
      wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      signals(SignalDescriptor(LoopSignals())) {}

bool ConsoleShell::BlockSignals() {
  const sigset_t set = LoopSignals();
  signal(SIGPIPE, SIG_IGN);
  return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

bool ConsoleShell::StopSignalPending() {
  sigset_t pending;
  return sigpending(&pending) == 0 &&
         (sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1);
}

bool ConsoleShell::Run(const std::function<void()>& onStop, const std::function<void()>& onReload) {
  bool healthy = wake.Valid() && signals.Valid();
  while (healthy && !quit) {
    pollfd fds[] = {{wake.Get(), POLLIN, 0}, {signals.Get(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      healthy = errno == EINTR;
      continue;
    }
    signalfd_siginfo info{};
    if ((fds[1].revents & POLLIN) && read(signals.Get(), &info, sizeof info) == sizeof info) {
      if (info.ssi_signo == SIGHUP || static_cast<int>(info.ssi_signo) == PosixPlatform::kReloadSignal) {
        onReload();
      } else {
        onStop();
      }
    }
    if (fds[0].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t ignored = read(wake.Get(), &count, sizeof count);
      RunPosted();
    }
  }
  // What was posted before the end still runs (the last lines of a check that the stop ended); what
  // comes later is dropped, never run on another thread.
  std::deque<std::function<void()>> last;
  {
    std::lock_guard lock(queueMutex);
    loopEnded = true;
    last.swap(queue);
  }
  for (auto& task : last) task();
  return healthy;
}

void ConsoleShell::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(queueMutex);
    batch.swap(queue);
  }
  for (auto& task : batch) task();
}

void ConsoleShell::Post(std::function<void()> task) {
  {
    std::lock_guard lock(queueMutex);
    if (loopEnded) return;
    queue.push_back(std::move(task));
    // The loop runs the whole queue on one wake-up: only the first task of a burst needs to wake it.
    if (queue.size() > 1) return;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t ignored = write(wake.Get(), &one, sizeof one);
}

void ConsoleShell::PrintLine(std::FILE* stream, const std::string& text) {
  const std::string line = VisibleControlCharacters(text) + '\n';
  std::fputs(line.c_str(), stream);
  std::fflush(stream);
}

void ConsoleShell::ShowSplash(const SplashText& text) {
  PrintLine(out, text.productName + " " + text.version);
  PrintLine(out, text.copyright);
}

void ConsoleShell::MessageBox(const std::string& text, const std::string& title) {
  PrintLine(err, title + kTitleSeparator + text);
}

void ConsoleShell::OpenTextViewer(const std::string& path) {
  PrintLine(out, kChangeLogPrefix + path);
}

void ConsoleShell::ChangeLogLine(const std::string& line) {
  PrintLine(out, line);
}

void ConsoleShell::StatusLine(const std::string& text) {
  if (text == statusShown) return;
  statusShown = text;
  const std::string shownText = WithoutOuterLineBreaks(text);
  if (!shownText.empty()) PrintLine(out, kStatusPrefix + shownText);
}

void ConsoleShell::DdnsLogLines(const std::string& lines) {
  // The log's own line ends (CR LF) make separate output lines; anything else is escaped.
  const std::string text = WithoutOuterLineBreaks(lines);
  if (text.empty()) return;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    PrintLine(out, text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
}

void ConsoleShell::Warn(const std::string& message) {
  PrintLine(err, message);
}

}  // namespace quorvane
