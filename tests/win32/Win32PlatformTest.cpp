#include "platform/win32/Win32Platform.h"

#include <gtest/gtest.h>
#include <windows.h>
#undef ReplaceFile

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/Calendar.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

std::string Env(const char* name) {
  return std::getenv(name) ? std::getenv(name) : "";
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Win32SystemTest, FilesFoldersAndAddresses) {
  TempDir temp;
  Win32Platform platform;
  const std::string path = temp.File("config.txt");
  WriteAll(path, "old\r\n");
  // Another handle holds the file open without sharing: the save cannot complete.
  const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(platform.ReplaceFile(path, "new\r\n"));
  CloseHandle(holder);
  EXPECT_EQ(ReadAll(path), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1) << "temporary left";
  EXPECT_TRUE(platform.ReplaceFile(path, "new\r\n"));
  EXPECT_EQ(ReadAll(path), "new\r\n");

  // Folders and hidden files do not count.
  const std::string data = temp.File("data"), ip = data + "/ip.txt";
  std::filesystem::create_directories(data + "/sub");
  ASSERT_TRUE(platform.AppendToFile(data + "/hidden", "x"));
  ASSERT_TRUE(SetFileAttributesA((data + "/hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(data + "\\"));
  ASSERT_TRUE(platform.AppendToFile(ip, "a\r\n") && platform.AppendToFile(ip, "b"));
  EXPECT_TRUE(platform.FolderHasOrdinaryFiles(data));
  EXPECT_EQ(platform.ReadFile(ip), "a\r\nb");

  const auto table = platform.IPv4AddressTable();
  ASSERT_TRUE(table);
  EXPECT_TRUE(std::ranges::is_sorted(*table) &&
              std::ranges::find(*table, IPv4Address{127, 0, 0, 1}) != table->end());
}

// The runner sets QV_SHORT_DATE to the text 6 December 2026 must have under the locale it chose.
TEST(Win32DateTest, ShortDateInTheUserFormatReadsBackAsTheSameDay) {
  Win32Platform platform;
  const std::int32_t day = DayNumberFromDate(2026, 12, 6);
  const std::string shown = platform.FormatShortDate(day), expected = Env("QV_SHORT_DATE");
  EXPECT_TRUE(expected.empty() || shown == expected) << shown << " is not " << expected;
  for (const std::int32_t d : {0, day, DayNumberFromDate(1601, 1, 1), DayNumberFromDate(9999, 12, 31)})
    EXPECT_EQ(platform.ParseShortDate(platform.FormatShortDate(d)), d) << platform.FormatShortDate(d);
  for (const char* text : {"", "13/45/2014", "45.13.2014", "1/1/2014 x", "1/1/20141", "123/1/2014"})
    EXPECT_EQ(platform.ParseShortDate(text), std::nullopt) << text;
}

// Against the servers that run_tests.sh starts; a plain ctest run has none and skips these.
class Win32NetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("QV_ECHO").empty()) GTEST_SKIP() << "needs the servers of tests/win32/run_tests.sh";
  }
  HttpTransportResult Send(const std::string& host, bool secure, std::vector<std::string> headers = {}) {
    if (headers.empty())
      headers = {"Host: " + host, "Authorization: Basic dXNlcjpwYXNz", "User-Agent: QV test"};
    return platform.SendHttpRequest(
        {"GET", host, "/nic/update?hostname=h.example&myip=203.0.113.7", secure, headers, ""});
  }
  Win32Platform platform;
  TempDir temp;
};

// Only whole web answers within the bounds are downloaded; a stop request ends a hanging one at once.
TEST_F(Win32NetworkTest, DownloadsOnlyWholeWebAnswersWithinBounds) {
  // The size of what lands in the file ("203.0.113.7" or the big page); 0: the download fails.
  const std::pair<const char*, std::size_t> cases[] = {{"/ip", 11},          {"/r1", 11}, {"/r0", 0},
                                                       {"/missing", 0},      {"/ftp", 0}, {"/big/65537", 0},
                                                       {"/big/65536", 65536}};
  const std::string file = temp.File("wan_ip.txt");
  for (const auto& [path, size] : cases) {
    std::filesystem::remove(file);
    EXPECT_EQ(platform.DownloadToFile(Env("QV_ECHO") + path, file) ? ReadAll(file).size() : 0, size) << path;
  }
  const auto stopAt = std::chrono::steady_clock::now();
  platform.SetStopQuery([&] { return SecondsSince(stopAt) > 1; });
  EXPECT_FALSE(platform.DownloadToFile("http://hang.quorvane.test/", file));
  EXPECT_LT(SecondsSince(stopAt), 2.5) << "a stop request ends a hanging download within a second";
}

// Our headers go out once each, as given (WinInet adds only "Pragma: no-cache"); an untrusted
// certificate, a header that smuggles another and a server that never answers in time fail.
TEST_F(Win32NetworkTest, HttpsRequestsAndTheirFailures) {
  HttpTransportResult result = Send("update.quorvane.test", true);
  EXPECT_TRUE(result.completed && result.status == 200 && result.body == "good 203.0.113.7") << result.error;
  EXPECT_EQ(ReadAll(Env("QV_RECORD")),
            "GET /nic/update?hostname=h.example&myip=203.0.113.7 HTTP/1.0\r\nHost: update.quorvane.test\r\n"
            "Authorization: Basic dXNlcjpwYXNz\r\nUser-Agent: QV test\r\nPragma: no-cache\r\n\r\n");

  result = Send("untrusted.quorvane.test", true);
  EXPECT_TRUE(result.failure == HttpFailure::Connect && result.body.empty()) << result.error;
  result = Send("update.quorvane.test", true, {"Host: update.quorvane.test", "X-Bad: a\r\nHost: evil"});
  EXPECT_EQ(result.failure, HttpFailure::AddHeaders);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Send("hang.quorvane.test", false).failure, HttpFailure::Bounds);
  EXPECT_LT(SecondsSince(start), 32);
}

}  // namespace
}  // namespace quorvane::testing
