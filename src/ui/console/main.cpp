#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/Version.h"
#include "platform/posix/PosixPlatform.h"
#include "settings/Settings.h"
#include "ui/console/ConsoleDesktop.h"

namespace {

constexpr int kExitUsage = 64;
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
  bool once = false, help = false, version = false;
  std::string argumentText;  // every argument, for the developer-mode test
  // Every argument is looked at before any is acted on, so an unknown one is refused wherever it stands.
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (!argumentText.empty()) argumentText += ' ';
    argumentText += argument;
    if (argument == "--help") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--once") {
      once = true;
    } else if (argument != "--console" && argument.find(quorvane::Program::kDevSwitch) == std::string::npos) {
      // --console is the only front end built in; -dev may stand inside a longer argument.
      std::fprintf(stderr, "quorvane: unknown argument '%s'\n%s", quorvane::EscapedArgument(argument).c_str(),
                   kUsage);
      return kExitUsage;
    }
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (version) {
    std::printf("%s\n", quorvane::BuildWindowTitle().c_str());
    return 0;
  }

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
  program.Main(argumentText);

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
