#include <cstdio>
#include <optional>
#include <string>

#include "app/CommandLine.h"
#include "app/Session.h"
#include "app/Splash.h"
#include "core/ChangeLog.h"
#include "frontends/console/ConsoleShell.h"
#include "platform/posix/PosixPlatform.h"

namespace {

constexpr int kExitNoAddress = 1;
constexpr int kExitUpdateFailed = 2;
constexpr int kExitLoopFailed = 71;  // EX_OSERR: no signalfd or eventfd

constexpr const char* kUsage =
    "usage: quorvane [-dev] [--console] [--once] [--help] [--version]\n"
    "  -dev        developer mode: every log line and failed step is also reported on stderr\n"
    "  --console   run headless until SIGINT or SIGTERM\n"
    "  --once      check once (and update the DNS entry when due), then stop; exit status\n"
    "              0 address obtained, 1 address not obtained, 2 update failed or refused\n"
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

}  // namespace

int main(int argc, char** argv) {
  // --console is the only front end built in, so it changes nothing.
  quorvane::CommandLine line =
      quorvane::ReadCommandLine(argc, argv, {"--help", "--version", "--once", "--console"});
  if (line.unknown) line.unknown = quorvane::VisibleControlCharacters(*line.unknown);  // C1 controls too
  if (const std::optional<int> status = quorvane::AnswerAtOnce(line, "quorvane", kUsage, stdout, stderr))
    return *status;
  const bool once = line.Has("--once");

  // Before any thread starts (curl's resolver, the Monitor): the signals must reach the loop only.
  quorvane::ConsoleShell::BlockSignals();
  quorvane::PosixPlatform platform;
  quorvane::ConsoleShell shell(stdout, stderr);
  // The splash's two lines: the Session shows no splash window when headless.
  shell.ShowSplash(quorvane::SplashTexts());
  if (platform.TempFolder().empty()) shell.Warn(kNoTempFolderWarning);
  quorvane::SessionOptions options;
  options.developerMode = line.argumentText.find(quorvane::kDevSwitch) != std::string::npos;
  options.headless = true;
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
  if (once) return OnceStatus(result, session.SettingsSaved());
  return session.SettingsSaved() ? 0 : kExitUpdateFailed;
}
