#include <cstdio>
#include <string>
#include <vector>

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

struct Options {
  bool once = false;
  std::string argumentText;  // every argument, for the developer-mode test
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (!options.argumentText.empty()) options.argumentText += ' ';
    options.argumentText += argument;
    if (argument == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (argument == "--version") {
      std::printf("%s\n", quorvane::BuildWindowTitle().c_str());
      return 0;
    }
    if (argument == "--once") {
      options.once = true;
    } else if (argument == "--console" || argument.find(quorvane::Program::kDevSwitch) != std::string::npos) {
      // --console is the only front end built in; -dev may stand inside a longer argument.
    } else {
      std::fprintf(stderr, "quorvane: unknown argument '%s'\n%s", argument.c_str(), kUsage);
      return kExitUsage;
    }
  }

  quorvane::ConsoleDesktop::BlockStopSignals();
  quorvane::PosixPlatform platform;
  quorvane::ConsoleDesktop desktop(stdout, stderr);
  quorvane::Program program(platform, desktop, desktop);
  program.form.AttachView(&desktop);
  desktop.SetReloadHandler([&program] { quorvane::ReloadSettings(program); });
  program.Main(options.argumentText);

  if (options.once) {
    program.ShutDown();
    if (!program.state.externalObtained) return kExitNoAddress;
    return program.state.updateFailed ? kExitUpdateFailed : 0;
  }
  desktop.RunLoop();
  program.form.Form_Unload();
  return 0;
}
