#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>

#include "platform/posix/PosixPlatform.h"
#include "support/Process.h"

namespace quorvane::testing {
namespace {

using enum HttpFailure;
// A target a URL parser would rewrite (dot segments, escapes); it must go out untouched.
const std::string kTarget = "/dyn/./../nic/update?hostname=a.example.com,b.example.com&x=%7e%2F..%2f&y=%0D";
const std::vector<std::string> kHeaders{"Host: members.dyndns.org", "Authorization: Basic dXNlcjpwYXNz",
                                        "User-Agent: Brellisto - Quorvane - 1.0.0"};
const HttpTransportRequest kUpdate{"GET", "members.dyndns.org", kTarget, true, kHeaders, ""};
const std::string kWire = "GET " + kTarget + " HTTP/1.0\r\n" + kHeaders[0] + "\r\n" + kHeaders[1] + "\r\n" +
                          kHeaders[2] + "\r\n\r\n";

// Real libcurl against the test server on 127.0.0.1 as port 443, trusting only the test CA.
struct Network : ::testing::Test {
  void SetUp() override { platform.SetTrustStoreForTesting(ca.ca); }
  void Serve(std::vector<std::string> options, bool tls = true) {
    ASSERT_EQ(ca.error, "");
    if (tls) options.insert(options.end(), ca.serverOptions.begin(), ca.serverOptions.end());
    options.insert(options.end(), {"--record", record});
    std::filesystem::remove(record);
    server = std::make_unique<TestServer>(options);
    ASSERT_GT(server->port, 0) << server->Err();
    platform.SetLoopbackPortForTesting(server->port);
  }
  bool Fetch(const std::string& url) { return platform.DownloadToFile(url, target).saved; }

  const TestCa& ca = SharedTestCa();
  TempDir temp;
  std::string record = temp.File("requests"), target = temp.File("wan_ip.txt");
  PosixPlatform platform;  // one libcurl handle for all cases of a test: none may spoil the next
  std::unique_ptr<TestServer> server;
};

// With or without a length, up to 64 KiB; what arrived of an answer the peer broke off.
TEST_F(Network, AnswersWholeCutOffOrTooLarge) {
  const struct {
    std::vector<std::string> options;
    HttpFailure failure;
    std::string body;
    bool completed = false, sized = true, tls = true;
  } cases[] = {
      {{"--no-length", "--body", "nochg 1.2.3.4\n"}, None, "nochg 1.2.3.4\n", true, false},
      {{"--big", "65536", "--no-length"}, None, std::string(65536, 'x'), true, false},
      {{"--big", "65537"}, Bounds, "", false, false},
      {{"--big", "65537", "--no-length"}, Bounds, "", false, false},
      {{"--body", "good 1.2.3.4", "--cut", "4"}, None, "good"},
      {{"--body", "good 1.2.3.4", "--cut", "4"}, None, "good", false, true, false},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(Serve(c.options, c.tls));
    const HttpTransportResult r =
        platform.SendHttpRequest({"GET", kUpdate.host, kTarget, c.tls, kHeaders, ""});
    EXPECT_TRUE(r.completed == c.completed && r.failure == c.failure && r.body == c.body &&
                r.hasContentLength == c.sized)
        << c.options[1] << " " << c.options.back() << (c.tls ? " https: " : " http: ") << r.error;
  }
}

// The request as given, once, only to a server verified by the hashed folder or else the bundle, never
// when it cannot go out as given; a later download carries none of its headers.
TEST_F(Network, SendsExactlyTheCallersRequestOnlyToVerifiedServers) {
  const std::string none = temp.File("none");
  ASSERT_TRUE(platform.CreateFolder(none));
  WriteAll(none + ".pem", "");
  const struct {
    std::string bundle, folder, host = "members.dyndns.org", target = kTarget, tail = "";
    HttpFailure failure = None;
  } cases[] = {
      {"", ca.hashed},
      {ca.ca, none},                  // the bundle behind a folder that lacks the CA
      {ca.ca, temp.File("missing")},  // the bundle behind a folder that does not exist
      {none + ".pem", none, "members.dyndns.org", kTarget, "", Connect},
      {ca.ca, "", "www.example.com", kTarget, "", Connect},  // a certificate not for this name
      {ca.ca, "", "members.dyndns.org", "/u?h=a\r\nX-Injected: 1", "", OpenRequest},
      {ca.ca, "", "members.dyndns.org:444", kTarget, "", OpenRequest},
      {ca.ca, "", "members.dyndns.org", kTarget, "\r\nX-Injected: 1", AddHeaders},
  };
  for (const auto& c : cases) {
    ASSERT_NO_FATAL_FAILURE(Serve({"--body", "good 1.2.3.4"}));
    platform.SetTrustStoreForTesting(c.bundle, c.folder);
    HttpTransportRequest request{"GET", c.host, c.target, true, kHeaders, ""};
    request.headerLines[2] += c.tail;
    const HttpTransportResult r = platform.SendHttpRequest(request);
    EXPECT_TRUE(r.failure == c.failure && r.body == (c.failure == None ? "good 1.2.3.4" : ""))
        << c.folder << c.host;
    EXPECT_EQ(ReadAll(record), c.failure == None ? kWire : "") << c.bundle << c.folder;
  }
  ASSERT_TRUE(Fetch("https://127.0.0.1:" + std::to_string(server->port) + "/ip"));
  const std::string download = ReadAll(record);
  EXPECT_TRUE(download.find("Authorization") == download.find("members.dyndns.org")) << download;  // neither
}

// Whole pages only, stored privately, the old file kept on a failure; a folder, link or FIFO planted under
// the name goes when only we can change the folder, else nothing is written through it.
TEST_F(Network, DownloadsStoreWholePagesPrivatelyAndNeverThroughALink) {
  // clang-format off
  std::vector<std::string> options{"--status", "404", "--route", "/ip", "200", "203.0.113.7\n", "--route", "/big",
      "200", std::string(65537, 'x'), "--route", "/full", "200", std::string(65536, 'x'), "--redirect", "/to-file",
      "file:///etc/hostname"};
  // clang-format on
  for (int r = 0; r < 6; ++r)  // from r1 five redirects, from r0 six
    options.insert(options.end(), {"--redirect", "/r" + std::to_string(r), "/r" + std::to_string(r + 1)});
  options.back() = "/ip";
  ASSERT_NO_FATAL_FAILURE(Serve(options, false));
  for (const std::string page : {"/ip", "/missing", "/big", "/full", "/r1", "/r0", "/to-file", "file:/"}) {
    WriteAll(target, "old page");
    ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
    const bool ok = page == "/ip" || page == "/full" || page == "/r1";
    EXPECT_EQ(Fetch(page[0] == '/' ? server->Url(page) : "file:///etc/hostname"), ok) << page;
    EXPECT_EQ(ReadAll(target),
              ok ? (page == "/full" ? std::string(65536, 'x') : "203.0.113.7\n") : "old page");
    EXPECT_EQ(static_cast<int>(std::filesystem::status(target).permissions()), ok ? 0600 : 0644) << page;
  }
  WriteAll(temp.File("victim"), "precious");
  for (const bool ours : {true, false}) {
    const std::string folder = temp.File(ours ? "ours" : "shared");
    ASSERT_TRUE(std::filesystem::create_directory(folder) &&
                ::chmod(folder.c_str(), ours ? 0700 : 0777) == 0);
    for (const std::string kind : {"folder", "link", "fifo"}) {
      target = folder + "/wan_ip.txt";
      ASSERT_TRUE(kind == "folder" ? std::filesystem::create_directories(target + "/inner")
                  : kind == "fifo" ? ::mkfifo(target.c_str(), 0600) == 0
                                   : ::symlink(temp.File("victim").c_str(), target.c_str()) == 0);
      EXPECT_EQ(Fetch(server->Url("/ip")), ours) << kind;
      EXPECT_EQ(std::filesystem::is_regular_file(std::filesystem::symlink_status(target)), ours) << kind;
      std::filesystem::remove_all(target);
    }
  }
  EXPECT_EQ(ReadAll(temp.File("victim")), "precious");  // a link's target is never touched
}

// A silent server is left at the time limit, and at once on a stop request.
TEST_F(Network, WaitsEndAtTheTimeLimitOrAtOnceOnAStopRequest) {
  ASSERT_NO_FATAL_FAILURE(Serve({"--hang-handshake"}));
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  EXPECT_FALSE(Fetch(server->Url("/ip")));
  EXPECT_NEAR(std::chrono::duration<double>(Clock::now() - start).count(), kDownloadTotalTimeoutMs / 1e3, 2);
  platform.SetStopQuery([&start] { return Clock::now() >= start; });
  for (const bool download : {false, true}) {
    start = Clock::now() + std::chrono::milliseconds(300);
    EXPECT_TRUE(download ? !Fetch(server->Url("/ip")) : platform.SendHttpRequest(kUpdate).failure == Bounds);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.5) << download;
  }
}

}  // namespace
}  // namespace quorvane::testing
