#include "support/LocalServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace quorvane::testing {

namespace {

bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

LocalServer::LocalServer(std::vector<std::string> argv, int startTimeoutMs) {
  if (argv.empty()) {
    error = "no command";
    return;
  }
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  std::vector<char*> args;
  for (auto& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  const pid_t parent = ::getpid();

  pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::setpgid(0, 0);
    ::dup2(out[1], STDOUT_FILENO);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    ::close(out[0]);
    return;
  }

  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startTimeoutMs);
  while (line.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) {
      error = "no port line within " + std::to_string(startTimeoutMs) + " ms";
      break;
    }
    pollfd wait{out[0], POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[256];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got <= 0) {
      error = "the server ended before it printed its port (see its stderr above)";
      break;
    }
    line.append(buffer, static_cast<std::size_t>(got));
  }
  // The server's later output is not read; closing our end is harmless because the scripts print
  // nothing after the port line.
  ::close(out[0]);
  if (error.empty()) {
    const int value = std::atoi(line.c_str());
    if (value > 0 && value < 65536)
      port = value;
    else
      error = "unexpected first line: " + line;
  }
  if (port == 0) Stop();
}

LocalServer::~LocalServer() {
  Stop();
}

void LocalServer::Stop() {
  if (pid <= 0) return;
  // The server leads its own process group; whatever it started goes with it.
  ::kill(-pid, SIGTERM);
  ::kill(pid, SIGTERM);
  if (!WaitForExit(pid, std::chrono::seconds(3))) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    WaitForExit(pid, std::chrono::seconds(10));
  }
  pid = -1;
}

std::string LocalServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string LocalServer::PythonPath() {
  return QUORVANE_PYTHON;
}

std::string LocalServer::ScriptPath(const std::string& scriptName) {
  return std::string(QUORVANE_TEST_DIR) + "/support/servers/" + scriptName;
}

std::vector<std::string> LocalServer::Python(const std::string& scriptName, std::vector<std::string> args) {
  std::vector<std::string> argv{PythonPath(), "-u", ScriptPath(scriptName)};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace quorvane::testing
