#include <gtest/gtest.h>
#include <sys/mount.h>

#include <chrono>
#include <cstdio>

#include "integration/InChild.h"
#include "platform/posix/PosixPlatform.h"
#include "support/LocalServer.h"
#include "support/TempDir.h"
#include "support/TestCa.h"

namespace quorvane::testing {
namespace {

const std::vector<std::string> kUpdateHeaders{"Host: members.dyndns.org", "Authorization: Basic dXNlcjpwYXNz",
                                              "User-Agent: Brellisto - Quorvane - 1.0.0"};

HttpTransportRequest UpdateRequest(const std::string& target = "/nic/update?x=1&y=%0D") {
  return HttpTransportRequest{"GET", "members.dyndns.org", target, true, kUpdateHeaders, ""};
}

// Real libcurl against the update server on 127.0.0.1, speaking HTTPS with a certificate of a CA the
// test made. The platform trusts only that CA and reaches the server on its ephemeral port instead of
// port 443; everything else (host name, certificate names) is as in production.
class HttpTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedTestCa().Ok()) << SharedTestCa().Error();
    platform.SetTrustStoreForTesting(SharedTestCa().CaCertPath());
  }

  // Starts an HTTPS update server with the shared CA's certificate and the given extra options.
  void Serve(std::vector<std::string> options, const TestCa& ca = SharedTestCa()) {
    options.insert(options.end(),
                   {"--cert", ca.ServerCertPath(), "--key", ca.ServerKeyPath(), "--record", recordFile});
    server = std::make_unique<LocalServer>(LocalServer::Python("update_server.py", options));
    ASSERT_TRUE(server->Started()) << server->Error();
    platform.SetLoopbackPortForTesting(server->Port());
  }
  std::string Recorded() const { return ReadAll(recordFile); }

  TempDir temp;
  std::string recordFile = temp.File("requests.txt");
  PosixPlatform platform;
  std::unique_ptr<LocalServer> server;
};

TEST_F(HttpTransport, SendsExactlyTheCallersRequestLineAndHeaders) {
  ASSERT_NO_FATAL_FAILURE(Serve({"--body", "good 1.2.3.4"}));
  const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
  EXPECT_TRUE(result.completed) << result.error;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "good 1.2.3.4");
  EXPECT_EQ(result.error, "");
  // Nothing of libcurl's own: no second Host, no Accept, no User-Agent, no re-encoded target.
  EXPECT_EQ(Recorded(),
            "GET /nic/update?x=1&y=%0D HTTP/1.0\r\n"
            "Host: members.dyndns.org\r\n"
            "Authorization: Basic dXNlcjpwYXNz\r\n"
            "User-Agent: Brellisto - Quorvane - 1.0.0\r\n"
            "\r\n");
}

TEST_F(HttpTransport, SendsTargetsThatAUrlParserWouldRewriteUntouched) {
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  const std::string target =
      "/dyn/./../nic/update?hostname=a.example.com,b.example.com&myip=&x=%7e%2F..%2f&y=a%20b";
  ASSERT_TRUE(platform.SendHttpRequest(UpdateRequest(target)).completed);
  EXPECT_EQ(Recorded().substr(0, Recorded().find("\r\n")), "GET " + target + " HTTP/1.0");
}

TEST_F(HttpTransport, PostSendsTheBodyWithItsLength) {
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  HttpTransportRequest request = UpdateRequest("/nic/update?a=1&b=2");
  request.verb = "POST";
  request.headerLines.push_back("Content-Type: application/x-www-form-urlencoded");
  request.body = "a=1&b=2";
  ASSERT_TRUE(platform.SendHttpRequest(request).completed);
  const std::string recorded = Recorded();
  EXPECT_EQ(recorded.substr(0, recorded.find("\r\n")), "POST /nic/update?a=1&b=2 HTTP/1.0");
  EXPECT_NE(recorded.find("\r\nContent-Length: 7\r\n"), std::string::npos) << recorded;
  EXPECT_EQ(recorded.find("Content-Type:"), recorded.rfind("Content-Type:")) << recorded;
  EXPECT_EQ(recorded.substr(recorded.size() - 11), "\r\n\r\na=1&b=2");
}

TEST_F(HttpTransport, ErrorStatusesStillDeliverTheirBody) {
  ASSERT_NO_FATAL_FAILURE(Serve({"--status", "401", "--body", "badauth"}));
  const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
  EXPECT_TRUE(result.completed) << result.error;
  EXPECT_EQ(result.status, 401);
  EXPECT_EQ(result.body, "badauth");
}

TEST_F(HttpTransport, ABodyWithoutLengthIsReadToTheEnd) {
  ASSERT_NO_FATAL_FAILURE(Serve({"--no-length", "--body", "nochg 1.2.3.4\n"}));
  const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
  EXPECT_TRUE(result.completed) << result.error;
  EXPECT_EQ(result.body, "nochg 1.2.3.4\n");
}

TEST_F(HttpTransport, AnswersAreLimitedTo64KiB) {
  for (const bool declared : {true, false}) {
    std::vector<std::string> options{"--big", "65537"};
    if (!declared) options.push_back("--no-length");
    ASSERT_NO_FATAL_FAILURE(Serve(options));
    const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
    EXPECT_FALSE(result.completed) << "declared length: " << declared;
    EXPECT_EQ(result.body, "");
    EXPECT_NE(result.error, "");
  }
  ASSERT_NO_FATAL_FAILURE(Serve({"--big", "65536", "--no-length"}));
  const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
  EXPECT_TRUE(result.completed) << result.error;
  EXPECT_EQ(result.body.size(), 65536u);
}

// A certificate we cannot verify ends the request before anything, the credentials above all, is sent.
TEST_F(HttpTransport, UnverifiableCertificatesGiveNoAnswerAndSendNothing) {
  const TestCa stranger;
  ASSERT_TRUE(stranger.Ok()) << stranger.Error();
  ASSERT_NO_FATAL_FAILURE(Serve({}, stranger));
  HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.body, "");
  EXPECT_NE(result.error, "");

  // A trusted certificate that does not name the host.
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  HttpTransportRequest request = UpdateRequest();
  request.host = "www.example.com";
  request.headerLines[0] = "Host: www.example.com";
  result = platform.SendHttpRequest(request);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.body, "");
  EXPECT_EQ(Recorded(), "");
}

// The hashed folder is asked first and the bundle only when the folder cannot vouch for the server.
// Either way the request goes out exactly once.
TEST_F(HttpTransport, TrustsTheHashedFolderAndTheBundleAlike) {
  const TestCa& ca = SharedTestCa();
  const std::string emptyFolder = temp.File("no-certificates"), emptyBundle = temp.File("empty.pem");
  ASSERT_TRUE(platform.CreateFolder(emptyFolder));
  WriteAll(emptyBundle, "");
  const struct {
    const char* why;
    std::string bundle, folder;
    bool trusted;
  } cases[] = {
      {"folder only", "", ca.HashedFolder(), true},
      {"folder with an empty bundle", emptyBundle, ca.HashedFolder(), true},
      {"bundle behind a folder that lacks the CA", ca.CaCertPath(), emptyFolder, true},
      {"bundle only", ca.CaCertPath(), "", true},
      {"bundle behind a folder that does not exist", ca.CaCertPath(), temp.File("missing"), true},
      {"neither holds the CA", emptyBundle, emptyFolder, false},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(Serve({}));
    platform.SetTrustStoreForTesting(c.bundle, c.folder);
    const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
    EXPECT_EQ(result.completed, c.trusted) << c.why << ": " << result.error;
    const std::string recorded = Recorded();
    const std::size_t requests = c.trusted ? 1 : 0;
    std::size_t found = 0;
    for (std::size_t at = recorded.find("GET "); at != std::string::npos; at = recorded.find("GET ", at + 1))
      ++found;
    EXPECT_EQ(found, requests) << c.why;
    server.reset();
    std::remove(recordFile.c_str());
  }
}

// The real default trust store, with the test CA added to the system's certificates in a private
// mount namespace: once as a whole /etc/ssl/certs (hashed files and bundle), once as the bundle
// alone, as the end-to-end tests mount it.
TEST_F(HttpTransport, TheSystemStoreIsUsedAsLibcurlFindsIt) {
  const TestCa& ca = SharedTestCa();
  const std::string certs = ca.SystemCertsFolderWithThisCa();
  ASSERT_NE(certs, "");
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  for (const bool wholeFolder : {true, false}) {
    const auto answer = InChildNamespaces(CLONE_NEWNS, [&] {
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return std::string("SKIP");
      const bool mounted =
          wholeFolder ? ::mount(certs.c_str(), "/etc/ssl/certs", nullptr, MS_BIND, nullptr) == 0
                      : ::mount(ca.BundleWithSystemCas().c_str(), "/etc/ssl/certs/ca-certificates.crt",
                                nullptr, MS_BIND, nullptr) == 0;
      if (!mounted) return std::string("SKIP");
      PosixPlatform production;
      production.SetLoopbackPortForTesting(server->Port());
      const HttpTransportResult result = production.SendHttpRequest(UpdateRequest());
      return result.completed ? result.body : "failed: " + result.error;
    });
    if (!answer) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(*answer, "good 203.0.113.7") << (wholeFolder ? "/etc/ssl/certs" : "the bundle alone");
  }
}

TEST_F(HttpTransport, TheSystemStoreDoesNotTrustATestCertificate) {
  PosixPlatform production;  // no CA of the test's
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  production.SetLoopbackPortForTesting(server->Port());
  const HttpTransportResult result = production.SendHttpRequest(UpdateRequest());
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.body, "");
  EXPECT_EQ(Recorded(), "");
}

TEST_F(HttpTransport, PlainHttpWhenNotSecure) {
  server = std::make_unique<LocalServer>(
      LocalServer::Python("update_server.py", {"--body", "good 1.2.3.4", "--record", recordFile}));
  ASSERT_TRUE(server->Started()) << server->Error();
  platform.SetLoopbackPortForTesting(server->Port());
  HttpTransportRequest request = UpdateRequest("/update?x=1");
  request.secure = false;
  const HttpTransportResult result = platform.SendHttpRequest(request);
  EXPECT_TRUE(result.completed) << result.error;
  EXPECT_EQ(result.body, "good 1.2.3.4");
  EXPECT_EQ(Recorded().substr(0, Recorded().find("\r\n")), "GET /update?x=1 HTTP/1.0");
}

TEST_F(HttpTransport, RefusesRequestsThatCannotBeSentAsGivenWithoutConnecting) {
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  const struct {
    const char* why;
    std::string verb, host, target, userAgentTail = "";
  } cases[] = {
      {"CR LF in the target", "GET", "members.dyndns.org", "/nic/update?h=a\r\nX-Injected: 1"},
      {"blank in the target", "GET", "members.dyndns.org", "/nic/update?h=a b"},
      {"non-ASCII byte in the target", "GET", "members.dyndns.org", "/nic/update?h=\xe9"},
      {"empty host", "GET", "", "/nic/update"},
      {"host with a path", "GET", "members.dyndns.org/x?", "/nic/update"},
      {"host with a user part", "GET", "user:pw@members.dyndns.org", "/nic/update"},
      {"host with a port", "GET", "members.dyndns.org:8443", "/nic/update"},
      {"unknown verb", "PUT", "members.dyndns.org", "/nic/update"},
      {"CR LF in a header", "GET", "members.dyndns.org", "/nic/update", "\r\nX-Injected: 1"},
  };
  for (const auto& c : cases) {
    HttpTransportRequest request = UpdateRequest(c.target);
    request.verb = c.verb;
    request.host = c.host;
    request.headerLines[2] += c.userAgentTail;
    const HttpTransportResult result = platform.SendHttpRequest(request);
    EXPECT_FALSE(result.completed) << c.why;
    EXPECT_NE(result.error, "") << c.why;
  }
  EXPECT_EQ(Recorded(), "");
  EXPECT_TRUE(platform.SendHttpRequest(UpdateRequest()).completed);  // the server was there all along
}

// The echo download that follows an update must not carry the update's headers along.
TEST_F(HttpTransport, ALaterDownloadSendsNoneOfTheRequestsHeaders) {
  server = std::make_unique<LocalServer>(LocalServer::Python("update_server.py", {"--record", recordFile}));
  ASSERT_TRUE(server->Started()) << server->Error();
  platform.SetLoopbackPortForTesting(server->Port());
  HttpTransportRequest request = UpdateRequest();
  request.secure = false;
  ASSERT_TRUE(platform.SendHttpRequest(request).completed);
  const std::string update = Recorded();
  ASSERT_TRUE(platform.DownloadToFile(server->Url("/ip"), temp.File("wan_ip.txt")));
  const std::string download = Recorded().substr(update.size());
  EXPECT_EQ(download.substr(0, download.find("\r\n")), "GET /ip HTTP/1.1");
  EXPECT_EQ(download.find("Authorization"), std::string::npos) << download;
  EXPECT_EQ(download.find("members.dyndns.org"), std::string::npos) << download;
}

TEST_F(HttpTransport, AServerThatNeverAnswersIsCutOffWithinTheTimeLimit) {
  ASSERT_NO_FATAL_FAILURE(Serve({"--hang"}));
  const auto start = std::chrono::steady_clock::now();
  const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.body, "");
  EXPECT_NE(result.error, "");
  EXPECT_LT(elapsed, std::chrono::seconds(35));
  EXPECT_GE(elapsed, std::chrono::milliseconds(kHttpTotalTimeoutMs - 1000));
}

}  // namespace
}  // namespace quorvane::testing
