#include "support/Subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/TempDir.h"

namespace quorvane::testing {

namespace {
pid_t StartChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                 const std::string& outPath, const std::string& errPath) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  setpgid(0, 0);
  const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(out, 1);
  dup2(err, 2);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (const auto& [name, value] : env) {
    if (value.empty())
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

int WaitWithTimeout(pid_t pid, double timeoutSeconds, double* seconds) {
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  for (;;) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (waitpid(pid, &status, WNOHANG) == pid) {
      if (seconds) *seconds = elapsed;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (elapsed > timeoutSeconds) {
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      if (seconds) *seconds = elapsed;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}
}  // namespace

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::map<std::string, std::string>& env,
                                     const std::string& outPath, const std::string& errPath)
    : pid(StartChild(argv, env, outPath, errPath)) {}

BackgroundProcess::~BackgroundProcess() {
  if (pid > 0) Stop(SIGKILL, 5);
}

int BackgroundProcess::Stop(int signal, double timeoutSeconds) {
  if (pid <= 0) return -1;
  kill(pid, signal);
  const int code = WaitWithTimeout(pid, timeoutSeconds, nullptr);
  pid = -1;
  return code;
}

bool WaitForText(const std::string& path, const std::string& text, double timeoutSeconds) {
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < timeoutSeconds) {
    if (ReadAll(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                         double timeoutSeconds) {
  TempDir outputs;
  const std::string outPath = outputs.File("out"), errPath = outputs.File("err");
  ProcessResult result;
  result.exitCode = WaitWithTimeout(StartChild(argv, env, outPath, errPath), timeoutSeconds, &result.seconds);
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

bool NamespacesAvailable() {
  static const bool available = [] {
    ProcessResult r = RunProcess({"unshare", "-mnpf", "--mount-proc", "sh", "-c",
                                  "ip link set lo up && mount --bind /etc/hosts /etc/hosts"},
                                 {}, 10);
    return r.exitCode == 0;
  }();
  return available;
}

ProcessResult RunInPrivateNetwork(const std::string& script, const std::string& hostsContent,
                                  const std::string& caBundle, const std::map<std::string, std::string>& env,
                                  double timeoutSeconds) {
  TempDir setup;
  WriteAll(setup.File("hosts"), "127.0.0.1 localhost\n::1 localhost\n" + hostsContent);
  WriteAll(setup.File("script.sh"), script);
  std::string wrapper = "set -e\nip link set lo up\nmount --bind " + setup.File("hosts") + " /etc/hosts\n";
  if (!caBundle.empty()) wrapper += "mount --bind " + caBundle + " /etc/ssl/certs/ca-certificates.crt\n";
  wrapper += "set +e\n. " + setup.File("script.sh") + "\n";
  WriteAll(setup.File("wrapper.sh"), wrapper);
  // The shell is the first process of its own PID namespace: when it ends, the kernel ends every server
  // the script left running in the background.
  return RunProcess({"unshare", "-mnpf", "--mount-proc", "sh", setup.File("wrapper.sh")}, env,
                    timeoutSeconds);
}

}  // namespace quorvane::testing
