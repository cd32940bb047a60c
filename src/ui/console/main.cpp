#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/Version.h"
#include "platform/posix/PosixPlatform.h"
#include "settings/Settings.h"
#include "ui/console/ConsoleDesktop.h"

namespace {

constexpr int kExitNoAddress = 1;
constexpr int kExitUpdateFailed = 2;

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

}  // namespace

int main(int argc, char** argv) {
  // --console is the only front end built in, so it changes nothing.
  const quorvane::CommandLine line =
      quorvane::ReadCommandLine(argc, argv, {"--help", "--version", "--once", "--console"});
  if (const std::optional<int> status = quorvane::AnswerAtOnce(line, "quorvane", kUsage, stdout, stderr))
    return *status;
  const bool once = line.Has("--once");

  quorvane::ConsoleDesktop::BlockStopSignals();
  quorvane::PosixPlatform platform;
  quorvane::ConsoleDesktop desktop(stdout, stderr);
  // A stop signal waits blocked until RunLoop reads it; seeing it pending lets a running download,
  // request or pause end at once, after which the loop reads it and the program saves and exits.
  platform.SetStopQuery(quorvane::ConsoleDesktop::StopSignalPending);
  if (platform.TempFolder().empty()) desktop.Warn(kNoTempFolderWarning);
  quorvane::Program program(platform, desktop, desktop);
  program.form.AttachView(&desktop);
  desktop.SetReloadHandler([&program] { quorvane::ReloadSettings(program); });
  program.Main(line.argumentText);

  if (once) {
    program.ShutDown();
    if (!program.state.externalObtained) return kExitNoAddress;
    // An update still owed (no answer, a provider's pause, a refusal that stands) leaves the DNS entry
    // stale even when this run sent nothing: a cron job must not read that as success.
    const bool owed = program.state.owed.kind != quorvane::OwedKind::None;
    return program.state.updateFailed || owed ? kExitUpdateFailed : 0;
  }
  desktop.RunLoop();
  program.form.Form_Unload();
  return 0;
}
