#pragma once

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvane::testing {

// A throw-away certificate authority made with the openssl command line (EC P-256 keys, valid for
// 30 days) and one server certificate it signed, all in a temp folder removed on destruction.
//
//   const TestCa& ca = SharedTestCa();
//   ASSERT_TRUE(ca.Ok()) << ca.Error();
//   server: update_server.py --cert ca.ServerCertPath() --key ca.ServerKeyPath()
//   client in-process:  platform.SetTrustStoreForTesting(ca.CaCertPath());
//   client in a namespace: RunInPrivateNetwork(script, hosts, ca.BundleWithSystemCas()), or for
//     speed bind-mount ca.SystemCertsFolderWithThisCa() over /etc/ssl/certs
class TestCa {
 public:
  // The names the server certificate is valid for: localhost, 127.0.0.1, ::1 and the update hosts
  // of the providers the tests use (members.dyndns.org and others).
  static std::vector<std::string> DefaultServerNames();

  // Each name becomes a subjectAltName: an IP entry when it parses as an address, else a DNS entry.
  explicit TestCa(const std::vector<std::string>& serverNames = DefaultServerNames());

  bool Ok() const { return error.empty(); }
  const std::string& Error() const { return error; }

  std::string CaCertPath() const { return folder.File("ca.pem"); }
  std::string ServerCertPath() const { return folder.File("server.pem"); }
  std::string ServerKeyPath() const { return folder.File("server.key"); }
  // A folder holding only the CA certificate under its subject-hash name (as /etc/ssl/certs does).
  std::string HashedFolder() const { return folder.File("hashed"); }
  // A copy of the system CA bundle with this CA appended (written once, on first call), to be
  // bind-mounted over /etc/ssl/certs/ca-certificates.crt; empty text when it cannot be written.
  std::string BundleWithSystemCas() const;
  // A copy of /etc/ssl/certs with this CA added both to ca-certificates.crt and as a hashed file
  // (written once, on first call), to be bind-mounted over /etc/ssl/certs. The platform looks a
  // server's CA up in the hashed files first and reads the whole bundle only when that fails, so
  // mounting just the bundle works too but costs a second, slower handshake on every request: a
  // benchmark should mount this folder. Empty text when it cannot be written.
  std::string SystemCertsFolderWithThisCa() const;

 private:
  bool Run(const std::vector<std::string>& argv);

  TempDir folder;
  std::string error;
  mutable std::string certsFolder;  // made on first request
};

// One CA for the whole test program, made on first use (making one costs about 50 ms).
const TestCa& SharedTestCa();

}  // namespace quorvane::testing
