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

const std::string kBare = "203.0.113.7\n";
const std::string kDynDnsPage =
    "<html><head><title>Current IP Check</title></head><body>Current IP Address: 1.2.3.4</body></html>\r\n";
const std::string kHtmlPage =
    "<html><head><title>Welcome</title></head><body>Please sign in.</body></html>\r\n";

// Real libcurl against the echo server on 127.0.0.1.
class Download : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<std::string> options{"--route", "/bare", "200", kBare, "--route", "/html", "200", kHtmlPage};
    options.insert(options.end(), {"--route", "/dyndns", "200", kDynDnsPage, "--redirect", "/loop", "/loop"});
    options.insert(options.end(), {"--redirect", "/to-file", "file:///etc/hostname"});
    // r0 -> r1 -> ... -> r5 -> /bare: from r1 five redirects, from r0 six.
    for (int i = 0; i <= 5; ++i)
      options.insert(options.end(), {"--redirect", "/r" + std::to_string(i),
                                     i == 5 ? "/bare" : "/r" + std::to_string(i + 1)});
    echo = std::make_unique<LocalServer>(LocalServer::Python("echo_server.py", options));
  }
  static void TearDownTestSuite() { echo.reset(); }
  void SetUp() override { ASSERT_TRUE(echo->Started()) << echo->Error(); }

  bool Fetch(const std::string& path) {
    return platform.DownloadToFile(path.starts_with("/") ? echo->Url(path) : path, target);
  }

  static std::unique_ptr<LocalServer> echo;
  TempDir temp;
  PosixPlatform platform;
  std::string target = temp.File("wan_ip.txt");
};

std::unique_ptr<LocalServer> Download::echo;

// One platform (and so one libcurl handle) for all: a failure must not spoil the next download.
TEST_F(Download, StoresPagesPrivatelyAndFailuresKeepTheOldFile) {
  const struct {
    std::string path;
    bool ok;
    std::string page = "";
  } cases[] = {
      {"/bare", true, kBare},
      {"/no-such-page", false},
      {"/dyndns", true, kDynDnsPage},
      {"/big/65537", false},
      {"/html", true, kHtmlPage},
      {"/big-unsized/65537", false},
      {"/big/65536", true, std::string(65536, 'x')},
      {"/big-unsized/65536", true, std::string(65536, 'x')},
      {"/r1", true, kBare},
      {"/r0", false},
      {"/loop", false},
      {"/to-file", false},
      {"file:///etc/hostname", false},
  };
  for (const auto& c : cases) {
    WriteAll(target, "old page");
    ASSERT_EQ(::chmod(target.c_str(), 0644), 0);
    EXPECT_EQ(Fetch(c.path), c.ok) << c.path;
    EXPECT_EQ(ReadAll(target), c.ok ? c.page : "old page") << c.path;
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, c.ok ? 0600u : 0644u) << c.path;
  }
}

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
  ASSERT_EQ(::unlink(target.c_str()), 0);
  ASSERT_EQ(::symlink(temp.File("created").c_str(), target.c_str()), 0);
  EXPECT_FALSE(Fetch("/bare"));
  EXPECT_FALSE(platform.FileExists(temp.File("created")));
}

TEST_F(Download, AServerThatNeverAnswersIsCutOffWithinTheTimeLimit) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Fetch("/hang"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(25));
  EXPECT_GE(elapsed, std::chrono::milliseconds(kDownloadTotalTimeoutMs - 1000));
  EXPECT_FALSE(platform.FileExists(target));
  EXPECT_TRUE(Fetch("/bare"));
}

}  // namespace
}  // namespace quorvane::testing
