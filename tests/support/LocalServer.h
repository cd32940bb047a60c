#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quorvane::testing {

// A test server process on loopback, alive for the object's lifetime.
//
// The program must print the port it listens on as the first line of its stdout (the scripts in
// tests/support/servers/ do). The constructor waits for that line; the destructor sends SIGTERM, then
// SIGKILL if the process lingers, and reaps it. The server also dies with the test process
// (PR_SET_PDEATHSIG), so a crashing test leaves no server behind.
//
//   LocalServer echo(LocalServer::Python("echo_server.py", {"--route", "/ip", "200", "203.0.113.7\n"}));
//   ASSERT_TRUE(echo.Started()) << echo.Error();
//   platform.DownloadToFile(echo.Url("/ip"), path);
//
//   TestCa& ca = SharedTestCa();  // see TestCa.h
//   LocalServer update(LocalServer::Python("update_server.py",
//       {"--cert", ca.ServerCertPath(), "--key", ca.ServerKeyPath(), "--record", recordFile}));
//
// In a private network namespace (RunInPrivateNetwork) the same scripts run from the shell script
// with "--port 443"; ScriptPath() and PythonPath() give the paths to put into that script.
class LocalServer {
 public:
  // argv[0] is the program's path. startTimeoutMs bounds the wait for the port line.
  explicit LocalServer(std::vector<std::string> argv, int startTimeoutMs = 10000);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  // The command line that runs one of the server scripts with the test Python interpreter.
  static std::vector<std::string> Python(const std::string& scriptName, std::vector<std::string> args = {});
  static std::string ScriptPath(const std::string& scriptName);  // tests/support/servers/<name>
  static std::string PythonPath();

  // True once the port line arrived; otherwise Error() says what went wrong.
  bool Started() const { return port > 0; }
  const std::string& Error() const { return error; }
  int Port() const { return port; }
  pid_t Pid() const { return pid; }
  // "http://127.0.0.1:<port>" followed by the path.
  std::string Url(const std::string& path) const;
  // Ends the server now (as the destructor does); safe to call twice.
  void Stop();

 private:
  pid_t pid = -1;
  int port = 0;
  std::string error;
};

}  // namespace quorvane::testing
