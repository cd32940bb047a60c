#include "support/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace quorvane::testing {
namespace {
// Asks `done` every 5 ms until it holds or the time is up; returns the seconds that took.
template <typename Done>
double Poll(Done done, double timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto seconds = [start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
  while (!done() && seconds() < timeoutSeconds) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return seconds();
}
}  // namespace

Child::Child(const std::vector<std::string>& argv, const Env& env) {
  const std::string out = files.File("out"), err = files.File("err");
  const pid_t parent = getpid();
  if ((pid = fork()) != 0) return;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  setpgid(0, 0);
  dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
  dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
  for (const auto& [name, value] : env)
    value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

int Child::Stop(int signal, double timeoutSeconds) {
  if (pid <= 0) return -1;
  if (signal != 0) kill(pid, signal);
  int status = -1;
  seconds = Poll([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutSeconds);
  kill(-pid, SIGKILL);  // it, when late, and whatever it left running in its group
  if (waitpid(pid, &status, 0) == pid) status = -1;
  pid = -1;
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Ran RunProcess(const std::vector<std::string>& argv, const Env& env, double timeoutSeconds) {
  Child child(argv, env);
  return {child.Stop(0, timeoutSeconds), child.Out(), child.Err()};
}

bool WaitForText(const std::string& path, const std::string& text, double timeoutSeconds) {
  bool found = false;
  Poll([&] { return found = ReadAll(path).find(text) != std::string::npos; }, timeoutSeconds);
  return found;
}

TestServer::TestServer(std::vector<std::string> options)
    : Child((options.insert(options.begin(), {"python3", "-u", kServerScript}), options)) {
  if (WaitForText(files.File("out"), "\n", 10)) port = std::stoi(Out());
}

TestCa::TestCa() {
  const Ran ran = RunProcess({"sh", "-ec", "cd '" + folder.Path() + "'\n" + R"(
    keys="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30"
    openssl req -x509 $keys -keyout ca.key -out ca.pem -subj /CN=Quorvane-Test-CA \
      -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
    openssl req -x509 $keys -CA ca.pem -CAkey ca.key -keyout server.key -out server.pem -subj /CN=localhost \
      -addext subjectAltName=DNS:localhost,DNS:members.dyndns.org,IP:127.0.0.1 \
      -addext basicConstraints=critical,CA:FALSE -addext extendedKeyUsage=serverAuth
    mkdir hashed && cp ca.pem hashed/ && openssl rehash hashed
    cat /etc/ssl/certs/ca-certificates.crt ca.pem > bundle.pem)"},
                             {{"OPENSSL_CONF", "/dev/null"}});  // no machine config can add extensions
  if (ran.exitCode != 0) error = "openssl failed: " + ran.err;
}

Ran RunInPrivateNetwork(const std::string& script, const std::string& hostsLines, const std::string& caBundle,
                        const Env& env) {
  TempDir setup;
  WriteAll(setup.File("hosts"), "127.0.0.1 localhost\n::1 localhost\n" + hostsLines);
  std::string wrapper = "set -e\nip link set lo up\nmount --bind " + setup.File("hosts") + " /etc/hosts\n";
  if (!caBundle.empty()) wrapper += "mount --bind " + caBundle + " /etc/ssl/certs/ca-certificates.crt\n";
  // The shell is the first process of its PID namespace: when it ends, so does every server it started.
  return RunProcess({"unshare", "-mnpf", "--mount-proc", "sh", "-c", wrapper + "set +e\n" + script}, env);
}

}  // namespace quorvane::testing
