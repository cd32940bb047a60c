#pragma once

#include <map>
#include <string>
#include <vector>

namespace quorvane::testing {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit by itself (killed after the time limit)
  std::string out;
  std::string err;
  double seconds = 0;
};

// Runs a program to its end (killed after timeoutSeconds) with extra environment variables, and
// collects its output. argv[0] is the program path.
ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& env = {}, double timeoutSeconds = 60);

// True when this machine lets a test create a private mount and network namespace.
bool NamespacesAvailable();

// Runs a shell script inside a fresh private mount + network namespace in which only loopback is up
// and /etc/hosts holds hostsContent (127.0.0.1 localhost is always there). Servers the script starts
// there live and die with it. caBundle, when not empty, is bind-mounted over the system CA bundle.
ProcessResult RunInPrivateNetwork(const std::string& script, const std::string& hostsContent,
                                  const std::string& caBundle = "",
                                  const std::map<std::string, std::string>& env = {},
                                  double timeoutSeconds = 120);

}  // namespace quorvane::testing

namespace quorvane::testing {

// A program running in the background with its output going to files; killed on destruction.
class BackgroundProcess {
 public:
  BackgroundProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                    const std::string& outPath, const std::string& errPath);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  // Sends the signal and waits (up to timeoutSeconds) for the exit; the exit status, -1 if none.
  int Stop(int signal, double timeoutSeconds = 30);
  int Pid() const { return pid; }

 private:
  int pid = -1;
};

// Waits until the file holds the text (true) or the time runs out (false).
bool WaitForText(const std::string& path, const std::string& text, double timeoutSeconds);

}  // namespace quorvane::testing
