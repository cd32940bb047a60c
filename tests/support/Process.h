#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvane::testing {

using Env = std::map<std::string, std::string>;  // added to a child's environment; "" unsets

// A program in its own process group, output in files; group and all die with the test or the object.
struct Child {
  explicit Child(const std::vector<std::string>& argv, const Env& env = {});
  ~Child() { Stop(9, 10); }
  // Sends the signal (0: none) and waits for the exit: its status, -1 after a kill.
  int Stop(int signal, double timeoutSeconds = 60);
  std::string Out() const { return ReadAll(files.File("out")); }
  std::string Err() const { return ReadAll(files.File("err")); }
  TempDir files;
  int pid = -1;
  double seconds = 0;  // from the signal to the exit
};

struct Ran {
  int exitCode;
  std::string out, err;
};
Ran RunProcess(const std::vector<std::string>& argv, const Env& env = {}, double timeoutSeconds = 120);
bool WaitForText(const std::string& path, const std::string& text, double timeoutSeconds = 20);

inline const std::string kServerScript = QUORVANE_TEST_DIR "/support/servers/test_server.py";
// servers/test_server.py with these options; port stays 0 when it printed none within 10 s.
struct TestServer : Child {
  explicit TestServer(std::vector<std::string> options);
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  int port = 0;
};

// A CA made by openssl (`error` says why it failed), with a server certificate for localhost, 127.0.0.1 and
// members.dyndns.org. hashed: a folder with the CA alone, hashed; bundle: the system's CAs and this one.
struct TestCa {
  TestCa();
  TempDir folder;
  std::string error, ca = folder.File("ca.pem"), hashed = folder.File("hashed"),
                     bundle = folder.File("bundle.pem");
  std::vector<std::string> serverOptions{"--cert", folder.File("server.pem"), "--key",
                                         folder.File("server.key")};
};
inline const TestCa& SharedTestCa() {
  static const TestCa ca;
  return ca;
}

// Runs a shell script in new mount, network and PID namespaces: only loopback up, /etc/hosts holding
// hostsLines, caBundle (if any) as the system's CA bundle; what the script starts ends with it.
Ran RunInPrivateNetwork(const std::string& script, const std::string& hostsLines, const std::string& caBundle,
                        const Env& env);
inline bool NamespacesAvailable() {
  static const bool available = RunInPrivateNetwork("", "", "", {}).exitCode == 0;
  return available;
}

}  // namespace quorvane::testing
