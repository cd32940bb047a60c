// quorvane-gui: Quorvane on a Linux desktop, with its window, tray icon and splash.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/Session.h"
#include "frontends/qt/QtShell.h"
#include "frontends/qt/SingleInstance.h"
#include "platform/posix/PosixPlatform.h"

namespace {

constexpr int kExitNoDisplay = 1;

constexpr const char* kUsage =
    "usage: quorvane-gui [-dev] [--help] [--version]\n"
    "  -dev        developer mode: the window opens at start, no tray icon; every log line and failed\n"
    "              step is also shown\n"
    "  --help      show this text\n"
    "  --version   show the version\n"
    "Without a desktop, run quorvane (the console program) instead.\n";
constexpr const char* kNoDisplay =
    "quorvane-gui: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set); run quorvane for "
    "the console instead.\n";
constexpr const char* kAlreadyRunning = "quorvane-gui: Quorvane is already running; its window is shown.\n";
constexpr const char* kOtherCopySilent =
    "quorvane-gui: another copy of Quorvane holds this user's settings but does not answer.\n";

constexpr char kStopByte = 1, kShowByte = 2, kReloadByte = 3;

// The write end of the self-pipe: all that a signal handler may touch.
int signalWriteEnd = -1;

void SendByte(char byte) {
  const int savedErrno = errno;
  [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
  errno = savedErrno;
}
// SIGTERM (the session ends), SIGINT and SIGHUP (the terminal it was started from closed).
void OnStopSignal(int) {
  SendByte(kStopByte);
}
// A second copy's request to show the window (see SingleInstance).
void OnShowSignal(int) {
  SendByte(kShowByte);
}
// A settings command changed config.txt.
void OnReloadSignal(int) {
  SendByte(kReloadByte);
}

// Signals reach the event loop through a pipe: the handler writes one byte, the loop reads it and
// runs the orderly stop (or shows the window) on the UI thread.
class SignalPipe {
 public:
  SignalPipe() {
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    signalWriteEnd = ends[1];
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = OnStopSignal;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    action.sa_handler = OnShowSignal;
    ::sigaction(quorvane::SingleInstance::kShowSignal, &action, nullptr);
    action.sa_handler = OnReloadSignal;
    ::sigaction(quorvane::PosixPlatform::kReloadSignal, &action, nullptr);
  }
  ~SignalPipe() {
    signalWriteEnd = -1;  // a late signal's byte goes nowhere
    for (const int end : ends)
      if (end >= 0) ::close(end);
  }
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  int ReadEnd() const { return ends[0]; }
  // What arrived since the last call.
  void Drain(bool& stop, bool& show, bool& reload) const {
    char bytes[16];
    for (ssize_t got; (got = ::read(ends[0], bytes, sizeof bytes)) > 0;)
      for (ssize_t i = 0; i < got; ++i)
        (bytes[i] == kStopByte ? stop : bytes[i] == kShowByte ? show : reload) = true;
  }

 private:
  int ends[2] = {-1, -1};
};

// A display, or a Qt platform chosen that needs none (offscreen, a frame buffer); xcb or wayland
// named without their display would make QApplication abort.
bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  const std::string platform =
      std::getenv("QT_QPA_PLATFORM") != nullptr ? std::getenv("QT_QPA_PLATFORM") : "";
  return !platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland");
}

}  // namespace

int main(int argc, char** argv) {
  const quorvane::CommandLine line = quorvane::ReadCommandLine(argc, argv, {"--help", "--version"});
  if (const std::optional<int> status = quorvane::AnswerAtOnce(line, "quorvane-gui", kUsage, stdout, stderr))
    return *status;
  // Without a display QApplication would abort the process.
  if (!HasDisplay()) {
    std::fputs(kNoDisplay, stderr);
    return kExitNoDisplay;
  }
  const SignalPipe signalPipe;

  QApplication app(argc, argv);
  // The window hides into the tray; only the orderly stop ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QApplication::setDesktopFileName(QStringLiteral("quorvane"));

  quorvane::PosixPlatform platform;
  quorvane::SingleInstance instance;
  std::string dataFolder = quorvane::DataFolderPath(platform).value_or("");
  if (!dataFolder.empty()) dataFolder.pop_back();  // without its separator
  if (!instance.Acquire(dataFolder)) {
    const bool shown = instance.AskToShow();
    std::fputs(shown ? kAlreadyRunning : kOtherCopySilent, stderr);
    return shown ? 0 : 1;
  }

  quorvane::SessionOptions options;
  options.developerMode = line.argumentText.find(quorvane::kDevSwitch) != std::string::npos;
  quorvane::QtShell shell;
  quorvane::Session session(platform, shell, options);
  shell.Attach(session);

  QSocketNotifier signalNotifier(signalPipe.ReadEnd(), QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &shell, [&] {
    bool stop = false, show = false, reload = false;
    signalPipe.Drain(stop, show, reload);
    if (stop) {
      shell.StopFromOutside();
      return;
    }
    if (reload) session.Reload();
    if (show) session.ShowFromTray();
  });
  // The session manager asks for the user's data before the session ends: the orderly stop saves it,
  // in case the session then ends the program without a signal.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &shell, [&shell] { shell.StopFromOutside(); });

  session.Start();
  if (!shell.Ended()) app.exec();
  session.Stop();  // the event loop ended without it (the session manager): does nothing otherwise
  return 0;
}
