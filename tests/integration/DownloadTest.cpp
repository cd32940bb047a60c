#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "platform/posix/PosixPlatform.h"
#include "support/LocalServer.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

const std::string kDynDnsPage =
    "<html><head><title>Current IP Check</title></head><body>Current IP Address: 1.2.3.4</body></html>\r\n";
const std::string kHtmlPage =
    "<html><head><title>Welcome</title></head><body>Please sign in.</body></html>\r\n";

// Real libcurl against the echo server on 127.0.0.1.
class Download : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    echo = std::make_unique<LocalServer>(LocalServer::Python("echo_server.py", {"--route",
                                                                                "/bare",
                                                                                "200",
                                                                                "203.0.113.7\n",
                                                                                "--route",
                                                                                "/dyndns",
                                                                                "200",
                                                                                kDynDnsPage,
                                                                                "--route",
                                                                                "/html",
                                                                                "200",
                                                                                kHtmlPage,
                                                                                "--route",
                                                                                "/error",
                                                                                "500",
                                                                                "<html>Internal error</html>",
                                                                                "--route",
                                                                                "/empty",
                                                                                "200",
                                                                                "",
                                                                                "--redirect",
                                                                                "/moved",
                                                                                "/bare",
                                                                                "--redirect",
                                                                                "/r1",
                                                                                "/r2",
                                                                                "--redirect",
                                                                                "/r2",
                                                                                "/r3",
                                                                                "--redirect",
                                                                                "/r3",
                                                                                "/r4",
                                                                                "--redirect",
                                                                                "/r4",
                                                                                "/r5",
                                                                                "--redirect",
                                                                                "/r5",
                                                                                "/bare",
                                                                                "--redirect",
                                                                                "/r0",
                                                                                "/r1",
                                                                                "--redirect",
                                                                                "/loop",
                                                                                "/loop",
                                                                                "--redirect",
                                                                                "/to-file",
                                                                                "file:///etc/hostname",
                                                                                "--redirect",
                                                                                "/to-ftp",
                                                                                "ftp://127.0.0.1/x"}));
  }
  static void TearDownTestSuite() { echo.reset(); }

  void SetUp() override { ASSERT_TRUE(echo->Started()) << echo->Error(); }

  bool Fetch(const std::string& path) { return platform.DownloadToFile(echo->Url(path), target); }

  static std::unique_ptr<LocalServer> echo;
  TempDir temp;
  PosixPlatform platform;
  std::string target = temp.File("wan_ip.txt");
};

std::unique_ptr<LocalServer> Download::echo;

TEST_F(Download, StoresEachKindOfEchoPageByteForByte) {
  const struct {
    const char* path;
    std::string page;
  } cases[] = {{"/bare", "203.0.113.7\n"}, {"/dyndns", kDynDnsPage}, {"/html", kHtmlPage}, {"/empty", ""}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Fetch(c.path)) << c.path;
    EXPECT_EQ(ReadAll(target), c.page) << c.path;
  }
}

TEST_F(Download, ErrorStatusesFailAndLeaveTheOldFileAlone) {
  WriteAll(target, "old page");
  EXPECT_FALSE(Fetch("/no-such-page"));  // 404
  EXPECT_FALSE(Fetch("/error"));         // 500
  EXPECT_EQ(ReadAll(target), "old page");
}

TEST_F(Download, FollowsUpToFiveRedirectsButNoMoreAndNeverToOtherProtocols) {
  EXPECT_TRUE(Fetch("/moved"));
  EXPECT_EQ(ReadAll(target), "203.0.113.7\n");
  ASSERT_TRUE(platform.DeleteFile(target));
  EXPECT_TRUE(Fetch("/r1"));   // r1 -> r2 -> r3 -> r4 -> r5 -> bare: five redirects
  EXPECT_FALSE(Fetch("/r0"));  // six
  EXPECT_FALSE(Fetch("/loop"));
  EXPECT_FALSE(Fetch("/to-file"));
  EXPECT_FALSE(Fetch("/to-ftp"));
  EXPECT_EQ(ReadAll(target), "203.0.113.7\n");
}

TEST_F(Download, BodiesAreLimitedTo64KiBWithOrWithoutADeclaredLength) {
  ASSERT_TRUE(Fetch("/big/65536"));
  EXPECT_EQ(ReadAll(target).size(), 65536u);
  ASSERT_TRUE(Fetch("/big-unsized/65536"));
  EXPECT_EQ(ReadAll(target).size(), 65536u);

  WriteAll(target, "old page");
  EXPECT_FALSE(Fetch("/big/65537"));
  EXPECT_FALSE(Fetch("/big-unsized/65537"));
  EXPECT_FALSE(Fetch("/big-unsized/1000000"));
  EXPECT_EQ(ReadAll(target), "old page");
}

TEST_F(Download, RefusesUrlsThatAreNotHttp) {
  for (const std::string& url :
       {std::string(""), std::string("file:///etc/hostname"), std::string("not a url"),
        "ftp://127.0.0.1:" + std::to_string(echo->Port()) + "/bare"})
    EXPECT_FALSE(platform.DownloadToFile(url, target)) << url;
  EXPECT_FALSE(platform.FileExists(target));
}

TEST_F(Download, AFailedTransferLeavesNothingBehindForTheNextOne) {
  // The platform keeps one libcurl handle; a failure must not leak its settings into later downloads.
  EXPECT_FALSE(Fetch("/big/70000"));
  EXPECT_FALSE(Fetch("/to-file"));
  EXPECT_FALSE(Fetch("/loop"));
  EXPECT_TRUE(Fetch("/dyndns"));
  EXPECT_EQ(ReadAll(target), kDynDnsPage);
}

TEST_F(Download, ARefusedConnectionFailsAtOnce) {
  int closedPort = 0;
  {
    LocalServer gone(LocalServer::Python("echo_server.py"));
    ASSERT_TRUE(gone.Started()) << gone.Error();
    closedPort = gone.Port();
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform.DownloadToFile("http://127.0.0.1:" + std::to_string(closedPort) + "/bare", target));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(Download, TheFileIsPrivateEvenWhenItExistedWithLooserPermissions) {
  ASSERT_TRUE(Fetch("/bare"));
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
  ASSERT_TRUE(Fetch("/dyndns"));
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadAll(target), kDynDnsPage);
}

// Someone who can plant a link at the download's name must not get us to write through it. The
// download then fails (the program treats it as an unreachable service) and the link stays as it is.
TEST_F(Download, NeverWritesThroughASymbolicLink) {
  const std::string victim = temp.File("victim.txt");
  WriteAll(victim, "precious");
  ASSERT_EQ(::symlink(victim.c_str(), target.c_str()), 0);
  EXPECT_FALSE(Fetch("/bare"));
  EXPECT_EQ(ReadAll(victim), "precious");
  struct stat info {};
  ASSERT_EQ(::lstat(target.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));

  // A dangling link would otherwise create the file it points to.
  const std::string dangling = temp.File("dangling.txt");
  ASSERT_EQ(::symlink(temp.File("created-through-link").c_str(), dangling.c_str()), 0);
  EXPECT_FALSE(platform.DownloadToFile(echo->Url("/bare"), dangling));
  EXPECT_FALSE(platform.FileExists(temp.File("created-through-link")));
}

TEST_F(Download, AServerThatNeverAnswersIsCutOffWithinTheTimeLimit) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Fetch("/hang"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(25));
  EXPECT_GE(elapsed, std::chrono::milliseconds(kDownloadTotalTimeoutMs - 1000));
  EXPECT_FALSE(platform.FileExists(target));
  EXPECT_TRUE(Fetch("/bare"));  // and the next check works as usual
}

}  // namespace
}  // namespace quorvane::testing
