#include "support/TestCa.h"

#include <arpa/inet.h>

#include <filesystem>

#include "support/Subprocess.h"

namespace quorvane::testing {

namespace {

constexpr const char* kSystemBundle = "/etc/ssl/certs/ca-certificates.crt";

bool IsAddress(const std::string& name) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, name.c_str(), buffer) == 1 || inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

// Our own openssl configurations, so the machine's openssl.cnf cannot add or change extensions.
std::string CaConfig() {
  return "[req]\n"
         "distinguished_name = dn\n"
         "prompt = no\n"
         "x509_extensions = ca_ext\n"
         "[dn]\n"
         "CN = Quorvane Test CA\n"
         "[ca_ext]\n"
         "basicConstraints = critical, CA:TRUE\n"
         "keyUsage = critical, keyCertSign, cRLSign\n"
         "subjectKeyIdentifier = hash\n";
}

std::string ServerConfig(const std::vector<std::string>& names) {
  std::string config =
      "[req]\n"
      "distinguished_name = dn\n"
      "prompt = no\n"
      "[dn]\n"
      "CN = " +
      (names.empty() ? std::string("localhost") : names.front()) +
      "\n"
      "[server_ext]\n"
      "basicConstraints = critical, CA:FALSE\n"
      "keyUsage = critical, digitalSignature\n"
      "extendedKeyUsage = serverAuth\n"
      "authorityKeyIdentifier = keyid\n"
      "subjectAltName = @alt\n"
      "[alt]\n";
  int dns = 0, ip = 0;
  for (const std::string& name : names) {
    if (IsAddress(name))
      config += "IP." + std::to_string(++ip) + " = " + name + "\n";
    else
      config += "DNS." + std::to_string(++dns) + " = " + name + "\n";
  }
  return config;
}

}  // namespace

std::vector<std::string> TestCa::DefaultServerNames() {
  return {"localhost",           "127.0.0.1",         "::1", "members.dyndns.org", "updates.dnsomatic.com",
          "dynupdate.no-ip.com", "freedns.afraid.org"};
}

TestCa::TestCa(const std::vector<std::string>& serverNames) {
  WriteAll(folder.File("ca.cnf"), CaConfig());
  WriteAll(folder.File("server.cnf"), ServerConfig(serverNames));
  const std::vector<std::string> newKey{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                        "-nodes"};
  std::vector<std::string> ca{"openssl", "req", "-x509", "-config", folder.File("ca.cnf"), "-days", "30"};
  ca.insert(ca.end(), newKey.begin(), newKey.end());
  ca.insert(ca.end(), {"-keyout", folder.File("ca.key"), "-out", CaCertPath()});
  std::vector<std::string> request{"openssl", "req", "-new", "-config", folder.File("server.cnf")};
  request.insert(request.end(), newKey.begin(), newKey.end());
  request.insert(request.end(), {"-keyout", ServerKeyPath(), "-out", folder.File("server.csr")});
  const std::vector<std::string> sign{"openssl",
                                      "x509",
                                      "-req",
                                      "-in",
                                      folder.File("server.csr"),
                                      "-CA",
                                      CaCertPath(),
                                      "-CAkey",
                                      folder.File("ca.key"),
                                      "-set_serial",
                                      "4242",
                                      "-days",
                                      "30",
                                      "-extfile",
                                      folder.File("server.cnf"),
                                      "-extensions",
                                      "server_ext",
                                      "-out",
                                      ServerCertPath()};
  if (Run(ca) && Run(request) && Run(sign)) {
    std::filesystem::create_directory(HashedFolder());
    WriteAll(HashedFolder() + "/ca.pem", ReadAll(CaCertPath()));
    Run({"openssl", "rehash", HashedFolder()});
  }
}

bool TestCa::Run(const std::vector<std::string>& argv) {
  const ProcessResult result = RunProcess(argv, {}, 30);
  if (result.exitCode == 0) return true;
  error = argv[0] + " " + argv[1] + " failed (exit " + std::to_string(result.exitCode) + "): " + result.err;
  return false;
}

std::string TestCa::BundleWithSystemCas() const {
  const std::string bundle = folder.File("bundle.pem");
  if (ReadAll(bundle).empty()) WriteAll(bundle, ReadAll(kSystemBundle) + "\n" + ReadAll(CaCertPath()));
  return ReadAll(bundle).empty() ? "" : bundle;
}

std::string TestCa::SystemCertsFolderWithThisCa() const {
  if (!certsFolder.empty()) return certsFolder;
  const std::string certs = folder.File("etc-ssl-certs");
  std::error_code failed;
  std::filesystem::create_directory(certs, failed);
  // Links into /usr/share/ca-certificates stay links; they still resolve inside a mount namespace.
  std::filesystem::copy(
      "/etc/ssl/certs", certs,
      std::filesystem::copy_options::copy_symlinks | std::filesystem::copy_options::skip_existing, failed);
  const std::string bundle = BundleWithSystemCas();
  if (failed || bundle.empty()) return "";
  std::filesystem::remove(certs + "/ca-certificates.crt", failed);
  WriteAll(certs + "/ca-certificates.crt", ReadAll(bundle));
  WriteAll(certs + "/quorvane-test-ca.pem", ReadAll(CaCertPath()));
  if (RunProcess({"openssl", "rehash", certs}, {}, 60).exitCode != 0) return "";
  certsFolder = certs;
  return certsFolder;
}

const TestCa& SharedTestCa() {
  static const TestCa ca;
  return ca;
}

}  // namespace quorvane::testing
