#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/posix/PosixPlatform.h"
#include "support/LocalServer.h"
#include "support/TempDir.h"
#include "support/TestCa.h"

namespace quorvane::testing {
namespace {

// A target a URL parser would rewrite (dot segments, escapes); it must go out untouched.
const std::string kTarget = "/dyn/./../nic/update?hostname=a.example.com,b.example.com&x=%7e%2F..%2f&y=%0D";

const std::vector<std::string> kUpdateHeaders{"Host: members.dyndns.org", "Authorization: Basic dXNlcjpwYXNz",
                                              "User-Agent: Brellisto - Quorvane - 1.0.0"};

HttpTransportRequest UpdateRequest(const std::string& target = kTarget) {
  return HttpTransportRequest{"GET", "members.dyndns.org", target, true, kUpdateHeaders, ""};
}

// Real libcurl against the update server on 127.0.0.1 over HTTPS, trusting only the test's CA and using
// the server's ephemeral port instead of 443; host and certificate names are as in production.
class HttpTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedTestCa().Ok()) << SharedTestCa().Error();
    platform.SetTrustStoreForTesting(SharedTestCa().CaCertPath());
  }

  void Serve(std::vector<std::string> options, const TestCa* ca = &SharedTestCa()) {
    if (ca) options.insert(options.end(), {"--cert", ca->ServerCertPath(), "--key", ca->ServerKeyPath()});
    options.insert(options.end(), {"--record", recordFile});
    std::remove(recordFile.c_str());
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
  // Nothing of libcurl's own: no second Host, no Accept, no User-Agent, no re-encoded target.
  EXPECT_EQ(Recorded(), "GET " + kTarget +
                            " HTTP/1.0\r\n"
                            "Host: members.dyndns.org\r\n"
                            "Authorization: Basic dXNlcjpwYXNz\r\n"
                            "User-Agent: Brellisto - Quorvane - 1.0.0\r\n"
                            "\r\n");
}

TEST_F(HttpTransport, AnswersAreDeliveredWithTheirBodyUpTo64KiB) {
  const struct {
    std::vector<std::string> options;
    bool completed;
    int status;
    std::string body;
  } cases[] = {
      {{"--status", "401", "--body", "badauth"}, true, 401, "badauth"},
      {{"--no-length", "--body", "nochg 1.2.3.4\n"}, true, 200, "nochg 1.2.3.4\n"},
      {{"--big", "65536", "--no-length"}, true, 200, std::string(65536, 'x')},
      {{"--big", "65537"}, false, 0, ""},
      {{"--big", "65537", "--no-length"}, false, 0, ""},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(Serve(c.options));
    const HttpTransportResult result = platform.SendHttpRequest(UpdateRequest());
    EXPECT_EQ(result.completed, c.completed) << c.options[1] << ": " << result.error;
    EXPECT_TRUE(!c.completed || result.status == c.status) << c.options[1] << ": " << result.status;
    EXPECT_EQ(result.body, c.body) << c.options[1];
  }
}

// A certificate we cannot verify ends the request before anything, the credentials above all, is sent.
TEST_F(HttpTransport, UnverifiableCertificatesGiveNoAnswerAndSendNothing) {
  const TestCa stranger;
  ASSERT_TRUE(stranger.Ok()) << stranger.Error();
  HttpTransportRequest otherName = UpdateRequest();  // trusted, but not for this name
  otherName.host = "www.example.com";
  otherName.headerLines[0] = "Host: www.example.com";
  for (const bool strangerCa : {true, false}) {
    ASSERT_NO_FATAL_FAILURE(Serve({}, strangerCa ? &stranger : &SharedTestCa()));
    const HttpTransportResult result = platform.SendHttpRequest(strangerCa ? UpdateRequest() : otherName);
    EXPECT_FALSE(result.completed) << strangerCa;
    EXPECT_EQ(Recorded(), "");
  }
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
      {"bundle behind a folder that lacks the CA", ca.CaCertPath(), emptyFolder, true},
      {"bundle behind a folder that does not exist", ca.CaCertPath(), temp.File("missing"), true},
      {"neither holds the CA", emptyBundle, emptyFolder, false},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(Serve({}));
    platform.SetTrustStoreForTesting(c.bundle, c.folder);
    EXPECT_EQ(platform.SendHttpRequest(UpdateRequest()).completed, c.trusted) << c.why;
    const std::string recorded = Recorded();
    std::size_t requests = 0;
    for (auto at = recorded.find("GET "); at != std::string::npos; at = recorded.find("GET ", at + 1))
      ++requests;
    EXPECT_EQ(requests, c.trusted ? 1u : 0u) << c.why;
  }
}

TEST_F(HttpTransport, RefusesRequestsThatCannotBeSentAsGivenWithoutConnecting) {
  ASSERT_NO_FATAL_FAILURE(Serve({}));
  const struct {
    std::string verb, host, target, userAgentTail = "";
  } cases[] = {
      {"GET", "members.dyndns.org", "/nic/update?h=a\r\nX-Injected: 1"},
      {"PUT", "members.dyndns.org", "/nic/update"},
      {"GET", "members.dyndns.org", "/nic/update", "\r\nX-Injected: 1"},
  };
  for (const auto& c : cases) {
    HttpTransportRequest request = UpdateRequest(c.target);
    request.verb = c.verb;
    request.host = c.host;
    request.headerLines[2] += c.userAgentTail;
    EXPECT_FALSE(platform.SendHttpRequest(request).completed) << c.host << c.target << c.userAgentTail;
  }
  EXPECT_EQ(Recorded(), "");
  EXPECT_TRUE(platform.SendHttpRequest(UpdateRequest()).completed);  // the server was there all along
}

// Plain HTTP when not secure; the echo download that follows must not carry the update's headers.
TEST_F(HttpTransport, ALaterDownloadSendsNoneOfTheRequestsHeaders) {
  ASSERT_NO_FATAL_FAILURE(Serve({"--body", "good 1.2.3.4"}, nullptr));
  HttpTransportRequest request = UpdateRequest("/update?x=1");
  request.secure = false;
  EXPECT_EQ(platform.SendHttpRequest(request).body, "good 1.2.3.4");
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
  EXPECT_LT(elapsed, std::chrono::seconds(35));
  EXPECT_GE(elapsed, std::chrono::milliseconds(kHttpTotalTimeoutMs - 1000));
}

}  // namespace
}  // namespace quorvane::testing
