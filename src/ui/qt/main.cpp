// quorvane-gui: Quorvane on a Linux desktop, with its window, tray icon and splash.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/Version.h"
#include "platform/posix/PosixPlatform.h"
#include "settings/Folders.h"
#include "settings/Settings.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/SingleInstance.h"

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

// SIGTERM (the session ends), SIGINT and SIGHUP (the terminal it was started from closed): noted at once for
// a running check, which ends early, and passed through a pipe to the event loop, which runs the orderly
// stop.
std::atomic<bool> stopSignalled{false};
int signalPipe[2] = {-1, -1};

constexpr char kStopByte = 1, kShowByte = 2;

void OnStopSignal(int) {
  stopSignalled = true;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &kStopByte, 1);
}

// A second copy's request to show the window (see SingleInstance).
void OnShowSignal(int) {
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &kShowByte, 1);
}

bool CatchSignals() {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  bool ok = ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0 &&
            ::sigaction(SIGHUP, &action, nullptr) == 0;
  action.sa_handler = OnShowSignal;
  return ::sigaction(quorvane::SingleInstance::kShowSignal, &action, nullptr) == 0 && ok;
}

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
  CatchSignals();

  QApplication app(argc, argv);
  // The window hides into the tray; only the orderly stop ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QApplication::setDesktopFileName(QStringLiteral("quorvane"));

  quorvane::PosixPlatform platform;
  quorvane::SingleInstance instance;
  const std::optional<std::string> appData = platform.LocalAppDataFolder();
  const std::string dataFolder = appData ? *appData + "/" + quorvane::kDataFolderName : "";
  if (!instance.Acquire(dataFolder)) {
    const bool shown = instance.AskToShow();
    std::fputs(shown ? kAlreadyRunning : kOtherCopySilent, stderr);
    return shown ? 0 : 1;
  }

  platform.SetStopQuery([] { return stopSignalled.load(); });
  quorvane::QtDesktop desktop;
  quorvane::Program program(platform, desktop, desktop);
  desktop.Attach(program);
  QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &desktop, [&desktop] {
    char bytes[16];
    bool stop = false, show = false;
    for (ssize_t got; (got = ::read(signalPipe[0], bytes, sizeof bytes)) > 0;)
      for (ssize_t i = 0; i < got; ++i) (bytes[i] == kStopByte ? stop : show) = true;
    if (stop) {
      desktop.StopProgram();
    } else if (show) {
      desktop.ShowFromTray();
    }
  });

  program.Main(line.argumentText);
  desktop.Started();
  // The session manager asks for the user's data before the session ends: save it now, in case the
  // session ends the program without a signal. Only once the start has read the settings.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &desktop, [&program] {
    if (!program.busy && !program.form.unloaded) quorvane::SaveSettings(program);
  });
  if (!stopSignalled) app.exec();
  desktop.StopProgram();  // does nothing when the stop already ran
  return 0;
}
