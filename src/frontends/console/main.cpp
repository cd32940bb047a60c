#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/Session.h"
#include "app/SettingsCommands.h"
#include "app/Splash.h"
#include "core/ChangeLog.h"
#include "frontends/console/ConsoleShell.h"
#include "platform/posix/PosixPlatform.h"

namespace {

constexpr int kExitNoAddress = 1;
constexpr int kExitUpdateFailed = 2;
constexpr int kExitLoopFailed = 71;  // EX_OSERR: no signalfd or eventfd
constexpr int kOnceFolderWaitMs = 10000;

constexpr const char* kUsage =
    "usage: quorvane [-dev] [--console] [--once] [--data-folder DIR] [--help] [--version]\n"
    "       quorvane [--data-folder DIR] --set NAME=VALUE [--set NAME=VALUE ...]\n"
    "       quorvane [--data-folder DIR] --show-settings [--show-password] | --status\n"
    "       quorvane --list-providers\n"
    "  -dev        developer mode: every log line and failed step is also reported on stderr\n"
    "  --console   run headless until SIGINT or SIGTERM\n"
    "  --once      check once (and update the DNS entry when due), then stop; exit status\n"
    "              0 address obtained, 1 address not obtained (or the data folder in use by\n"
    "              another copy for 10 s), 2 update failed or refused\n"
    "  --data-folder DIR  keep settings and logs in DIR instead of the default folder\n"
    "  --set NAME=VALUE   change a setting (names: see --show-settings); all or nothing, exit\n"
    "              status 64 when a value is refused; password=- reads the password from stdin\n"
    "  --show-settings    every setting as name = value (--show-password: the password too)\n"
    "  --status    the last known addresses, the last update, an owed update, a running copy\n"
    "  --list-providers   the services and the host each sends its updates to\n"
    "  --help      show this text\n"
    "  --version   show the version\n";

constexpr const char* kNoTempFolderWarning =
    "Quorvane: no private folder for temporary files could be used (XDG_RUNTIME_DIR, /tmp); the public "
    "address cannot be learnt.";

constexpr const char* kLoopFailed = "Quorvane: the console loop could not run (signalfd, eventfd or poll).";

// The one-shot run's exit status. Settings that could not be saved count as a failed update: a cron
// job must not read a run whose edits are lost as a success.
int OnceStatus(const std::optional<quorvane::StartupCheckResult>& result, bool settingsSaved) {
  if (!settingsSaved) return kExitUpdateFailed;
  // A config.txt that exists but cannot be read is not overwritten: the run checked nothing.
  if (!result || !result->addressObtained || result->settingsUnreadable) return kExitNoAddress;
  // An update still owed (no answer, a provider's pause, a refusal that stands) leaves the DNS entry
  // stale even when this run sent nothing.
  return result->updateFailed ? kExitUpdateFailed : 0;
}

// One line from standard input, without echo on a terminal (the password of --set password=-).
std::optional<std::string> ReadSecretLine() {
  termios saved{};
  const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    std::fputs("Password: ", stderr);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string line;
  int c = 0;
  while ((c = std::getchar()) != EOF && c != '\n') line += static_cast<char>(c);
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
  }
  if (c == EOF && line.empty()) return std::nullopt;
  return line;
}

// The settings commands: they run, print and end; nothing else starts.
std::optional<int> RunSettingsCommand(const quorvane::CommandLine& line, quorvane::PosixPlatform& platform) {
  const std::vector<std::string> assignments = line.ValuesOf("--set");
  const bool show = line.Has("--show-settings"), status = line.Has("--status");
  if (!line.Has("--list-providers") && assignments.empty() && !show && !status) return std::nullopt;
  std::string folder;
  if (const std::vector<std::string> given = line.ValuesOf("--data-folder"); !given.empty()) {
    folder = given.back();
  } else {
    folder = quorvane::DataFolderPath(platform).value_or("");
    if (folder.empty()) {
      std::fputs("quorvane: no data folder could be found or made; give one with --data-folder.\n", stderr);
      return 1;
    }
  }
  if (folder.back() != '/') folder += '/';
  const quorvane::CommandOutcome outcome =
      line.Has("--list-providers") ? quorvane::ListProviders()
      : !assignments.empty()       ? quorvane::SetSettings(platform, folder, assignments, ReadSecretLine)
      : show                       ? quorvane::ShowSettings(platform, folder, line.Has("--show-password"))
                                   : quorvane::ShowStatus(platform, folder);
  std::fputs(outcome.out.c_str(), stdout);
  for (std::size_t from = 0; from < outcome.err.size();) {
    const std::size_t end = outcome.err.find('\n', from);
    std::fprintf(stderr, "quorvane: %s\n", outcome.err.substr(from, end - from).c_str());
    from = end == std::string::npos ? outcome.err.size() : end + 1;
  }
  return outcome.status;
}

}  // namespace

int main(int argc, char** argv) {
  // --console is the only front end built in, so it changes nothing.
  quorvane::CommandLine line =
      quorvane::ReadCommandLine(argc, argv,
                                {"--help", "--version", "--once", "--console", "--show-settings",
                                 "--show-password", "--status", "--list-providers"},
                                {"--set", "--data-folder"});
  if (line.unknown) line.unknown = quorvane::VisibleControlCharacters(*line.unknown);  // C1 controls too
  if (const std::optional<int> status = quorvane::AnswerAtOnce(line, "quorvane", kUsage, stdout, stderr))
    return *status;
  const bool once = line.Has("--once");
  quorvane::PosixPlatform platform;
  if (const std::optional<int> status = RunSettingsCommand(line, platform)) return *status;

  // Before any thread starts (curl's resolver, the Monitor): the signals must reach the loop only.
  quorvane::ConsoleShell::BlockSignals();
  quorvane::ConsoleShell shell(stdout, stderr);
  // The splash's two lines: the Session shows no splash window when headless.
  shell.ShowSplash(quorvane::SplashTexts());
  if (platform.TempFolder().empty()) shell.Warn(kNoTempFolderWarning);
  quorvane::SessionOptions options;
  options.developerMode = line.argumentText.find(quorvane::kDevSwitch) != std::string::npos;
  options.headless = true;
  if (const std::vector<std::string> given = line.ValuesOf("--data-folder"); !given.empty())
    options.dataFolder = given.back().ends_with('/') ? given.back() : given.back() + '/';
  // A one-shot run (cron, a timer) that finds a copy saving waits for it a while; a copy that runs
  // on is no reason to wait: --console refuses at once.
  if (once) options.folderWaitMs = kOnceFolderWaitMs;
  // Until the Monitor runs, a stop signal ends that wait.
  platform.SetStopQuery(quorvane::ConsoleShell::StopSignalPending);
  quorvane::Session session(platform, shell, options);

  std::optional<quorvane::StartupCheckResult> result;
  session.Start();
  if (once) {
    session.WhenStartupCheckDone([&](const quorvane::StartupCheckResult& done) {
      result = done;
      session.Stop();
    });
  }
  const bool ran = shell.Run([&session] { session.Stop(); }, [&session] { session.Reload(); });
  if (!ran) shell.Warn(kLoopFailed);
  session.Stop();  // after a failed loop; otherwise it ran already and this does nothing
  if (!ran) return kExitLoopFailed;
  if (session.FolderInUse()) return kExitNoAddress;
  if (once) return OnceStatus(result, session.SettingsSaved());
  return session.SettingsSaved() ? 0 : kExitUpdateFailed;
}
