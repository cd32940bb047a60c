#include "platform/win32/Win32Platform.h"

#include <gtest/gtest.h>
#include <windows.h>
#undef ReplaceFile

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/Calendar.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "" : value;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(Win32FilesTest, ReplaceIsAllOrNothingAndLeavesNoTemporary) {
  TempDir temp;
  Win32Platform platform;
  const std::string path = temp.File("config.txt");
  WriteAll(path, "old\r\n");
  {
    // Another handle holds the file open without sharing: the save cannot complete.
    const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform.ReplaceFile(path, "new\r\n"));
    CloseHandle(holder);
  }
  EXPECT_EQ(ReadAll(path), "old\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1) << "temporary left";
  EXPECT_TRUE(platform.ReplaceFile(path, "new\r\n"));
  EXPECT_EQ(ReadAll(path), "new\r\n");
  EXPECT_TRUE(platform.FileExists(path));
  EXPECT_FALSE(platform.FileExists(temp.Path()));
}

TEST(Win32FilesTest, OnlyVisibleFilesAreOrdinary) {
  TempDir temp;
  Win32Platform platform;
  std::filesystem::create_directory(temp.File("sub"));
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(temp.Path()));
  ASSERT_TRUE(platform.AppendToFile(temp.File("hidden"), "x"));
  ASSERT_TRUE(SetFileAttributesA(temp.File("hidden").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(temp.Path() + "\\"));
  ASSERT_TRUE(platform.AppendToFile(temp.File("ip.txt"), "a\r\n") &&
              platform.AppendToFile(temp.File("ip.txt"), "b"));
  EXPECT_TRUE(platform.FolderHasOrdinaryFiles(temp.Path()));
  EXPECT_EQ(platform.ReadFile(temp.File("ip.txt")), "a\r\nb");
}

// The runner sets QV_SHORT_DATE to the text 6 December 2026 must have under the locale it chose.
TEST(Win32DateTest, ShortDateInTheUserFormatReadsBackAsTheSameDay) {
  Win32Platform platform;
  const std::int32_t day = DayNumberFromDate(2026, 12, 6);
  if (!Env("QV_SHORT_DATE").empty()) {
    EXPECT_EQ(platform.FormatShortDate(day), Env("QV_SHORT_DATE"));
  }
  for (const std::int32_t d :
       {0, 1, 40000, day, DayNumberFromDate(1601, 1, 1), DayNumberFromDate(9999, 12, 31)})
    EXPECT_EQ(platform.ParseShortDate(platform.FormatShortDate(d)), d) << platform.FormatShortDate(d);
  for (const char* text :
       {"", "not a date", "13/45/2014", "45.13.2014", "1/1/2014 x", "1/1/20141", "123/1/2014"})
    EXPECT_EQ(platform.ParseShortDate(text), std::nullopt) << text;
}

TEST(Win32SystemTest, FoldersAddressTableAndName) {
  Win32Platform platform;
  const auto table = platform.IPv4AddressTable();
  ASSERT_TRUE(table);
  EXPECT_NE(std::find(table->begin(), table->end(), IPv4Address{127, 0, 0, 1}), table->end());
  EXPECT_TRUE(std::is_sorted(table->begin(), table->end()));
  EXPECT_FALSE(platform.ComputerName().empty());
  const auto appData = platform.LocalAppDataFolder();
  ASSERT_TRUE(appData);
  EXPECT_TRUE(std::filesystem::is_directory(*appData)) << *appData;
  EXPECT_TRUE(platform.TempFolder().ends_with("\\"));
  EXPECT_TRUE(std::filesystem::exists(platform.ProgramFolder() + "\\win32_tests.exe"))
      << platform.ProgramFolder();
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

TEST_F(Win32NetworkTest, DownloadsOnlyWholeWebAnswersWithinBounds) {
  const std::pair<const char*, bool> cases[] = {{"/ip", true},       {"/r1", true},   {"/r0", false},
                                                {"/missing", false}, {"/ftp", false}, {"/big/65537", false},
                                                {"/big/65536", true}};
  for (const auto& [path, ok] : cases) {
    const std::string file = temp.File("wan_ip.txt");
    std::filesystem::remove(file);
    EXPECT_EQ(platform.DownloadToFile(Env("QV_ECHO") + path, file), ok) << path;
    if (ok && path[1] != 'b') {
      EXPECT_EQ(ReadAll(file), "203.0.113.7") << path;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform.DownloadToFile("http://hang.quorvane.test/", temp.File("wan_ip.txt")));
  EXPECT_LT(SecondsSince(start), 22);
}

TEST_F(Win32NetworkTest, HttpsRequestSendsEachHeaderOnceAndNoOthersOfOurs) {
  const HttpTransportResult result = Send("update.quorvane.test", true);
  EXPECT_TRUE(result.completed) << result.error;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "good 203.0.113.7");
  const std::string record = ReadAll(Env("QV_RECORD"));
  EXPECT_TRUE(record.starts_with("GET /nic/update?hostname=h.example&myip=203.0.113.7 HTTP/1.0\r\n"))
      << record;
  for (const char* line : {"\r\nHost: update.quorvane.test\r\n", "\r\nAuthorization: Basic dXNlcjpwYXNz\r\n",
                           "\r\nUser-Agent: QV test\r\n"}) {
    const std::string name = std::string(line).substr(0, std::string(line).find(':') + 1);
    EXPECT_NE(record.find(line), std::string::npos) << line << record;
    EXPECT_EQ(record.find(name), record.rfind(name)) << name << " twice:\n" << record;
  }
}

TEST_F(Win32NetworkTest, UntrustedRefusedAndHangingCutOff) {
  HttpTransportResult result = Send("untrusted.quorvane.test", true);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.body, "");
  EXPECT_EQ(result.failure, HttpFailure::Connect) << result.error;
  result = Send("update.quorvane.test", true, {"Host: update.quorvane.test", "X-Bad: a\r\nHost: evil"});
  EXPECT_EQ(result.failure, HttpFailure::AddHeaders);
  const auto start = std::chrono::steady_clock::now();
  result = Send("hang.quorvane.test", false);
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(result.failure, HttpFailure::Bounds) << result.error;
  EXPECT_LT(SecondsSince(start), 32);
  const auto stopAt = std::chrono::steady_clock::now();
  platform.SetStopQuery([&] { return SecondsSince(stopAt) > 1; });
  EXPECT_EQ(Send("hang.quorvane.test", false).failure, HttpFailure::Bounds);
  EXPECT_LT(SecondsSince(stopAt), 2.5) << "a stop request ends a hanging request within a second";
}

}  // namespace
}  // namespace quorvane::testing
