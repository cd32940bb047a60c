#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/posix/PosixPlatform.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

auto Entries(const std::string& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

struct ScopedEnv {
  ScopedEnv(const char* n, const char* value) : name(n), old(std::getenv(n) ? std::getenv(n) : "") {
    value ? ::setenv(n, value, 1) : ::unsetenv(n);
  }
  ~ScopedEnv() { old.empty() ? ::unsetenv(name) : ::setenv(name, old.c_str(), 1); }
  const char* name;
  std::string old;
};

class PosixFiles : public ::testing::Test {
 protected:
  TempDir temp;
  PosixPlatform platform;
};

TEST_F(PosixFiles, ReplaceFileWritesThePrivateWholeFileAndLeavesNoTemporary) {
  const std::string path = temp.File("config.txt");
  WriteAll(path, "old password\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
  const std::string content("new\r\n\0binary\xff\r\n", 16);
  ASSERT_TRUE(platform.ReplaceFile(path, content));
  EXPECT_EQ(platform.ReadFile(path), content);
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(Entries(temp.Path()), 1);
}

// The user may link files of the data folder to files kept elsewhere (a dotfile manager, another disk).
TEST_F(PosixFiles, LinksAreFollowedAndKeptButFifosRefused) {
  ASSERT_TRUE(platform.CreateFolder(temp.File("elsewhere")));
  const std::string target = temp.File("elsewhere/config.txt"), link = temp.File("config.txt");
  WriteAll(target, "old");
  ASSERT_EQ(::symlink("elsewhere/config.txt", link.c_str()), 0);
  ASSERT_EQ(::symlink("config.txt", temp.File("ipchange.log").c_str()), 0);  // a link to a link
  ASSERT_EQ(::symlink("elsewhere/ip.txt", temp.File("ip.txt").c_str()), 0);  // to a file not made yet
  ASSERT_EQ(::symlink("loop", temp.File("loop").c_str()), 0);
  ASSERT_TRUE(platform.ReplaceFile(link, "new\r\n"));
  ASSERT_TRUE(platform.AppendToFile(temp.File("ipchange.log"), "more\r\n"));
  ASSERT_TRUE(platform.ReplaceFile(temp.File("ip.txt"), "0.0.0.0\r\n"));
  EXPECT_FALSE(platform.ReplaceFile(temp.File("loop"), "x"));
  EXPECT_EQ(ReadAll(target), "new\r\nmore\r\n");
  EXPECT_EQ(ReadAll(temp.File("elsewhere/ip.txt")), "0.0.0.0\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Entries(temp.File("elsewhere")), 2);  // no temporary left beside the targets
  EXPECT_EQ(Entries(temp.Path()), 5);
  ASSERT_EQ(::mkfifo(temp.File("fifo").c_str(), 0600), 0);  // must not block the program
  EXPECT_EQ(platform.ReadFile(temp.File("fifo")), std::nullopt);
  EXPECT_FALSE(platform.AppendToFile(temp.File("fifo"), "x"));
}

TEST_F(PosixFiles, AppendedFilesAndCreatedFoldersArePrivate) {
  const std::string log = temp.File("ipchange.log"), folder = temp.File("Quorvane");
  ASSERT_TRUE(platform.AppendToFile(log, "first\r\n"));
  ASSERT_TRUE(platform.AppendToFile(log, "second\r\n"));
  EXPECT_EQ(ReadAll(log), "first\r\nsecond\r\n");
  EXPECT_EQ(ModeOf(log), 0600u);
  ASSERT_TRUE(platform.CreateFolder(folder));
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_FALSE(platform.CreateFolder(temp.File("a/b")));  // one level only
}

TEST_F(PosixFiles, OnlyVisibleRegularFilesMakeAFolderNonEmpty) {
  const std::string folder = temp.File("data");
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(folder));  // missing
  ASSERT_TRUE(platform.CreateFolder(folder));
  ASSERT_TRUE(platform.CreateFolder(folder + "/sub"));
  WriteAll(folder + "/sub/config.txt", "x");
  WriteAll(folder + "/.config.txt.Ab12Cd", "left by a crash");
  ASSERT_EQ(::symlink("sub", (folder + "/link-to-folder").c_str()), 0);
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(folder));
  WriteAll(folder + "/ipchange.log", "");
  EXPECT_TRUE(platform.FolderHasOrdinaryFiles(folder));
}

TEST_F(PosixFiles, DataAndTempFoldersAreCreatedPrivate) {
  const std::string xdg = temp.File("xdg/data"), runtime = temp.File("runtime");
  const std::string fallback = temp.File("quorvane-" + std::to_string(::geteuid()));
  ScopedEnv xdgData("XDG_DATA_HOME", (xdg + "/").c_str()), tmpdir("TMPDIR", temp.Path().c_str());
  EXPECT_EQ(platform.LocalAppDataFolder(), xdg);
  EXPECT_EQ(ModeOf(temp.File("xdg")), 0700u);
  EXPECT_EQ(ModeOf(xdg), 0700u);
  // A runtime folder open to others is not used (nor changed); ours in TMPDIR is tightened.
  ASSERT_EQ(::mkdir(runtime.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(fallback.c_str(), 0777), 0);
  ScopedEnv xdgRuntime("XDG_RUNTIME_DIR", runtime.c_str());
  EXPECT_EQ(platform.TempFolder(), fallback + "/");
  EXPECT_EQ(ModeOf(runtime), 0755u);
  EXPECT_EQ(ModeOf(fallback), 0700u);
  // A link planted at the name, even to a private folder, is refused.
  ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
  ASSERT_EQ(::rmdir(fallback.c_str()), 0);
  ASSERT_EQ(::symlink(runtime.c_str(), fallback.c_str()), 0);
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(platform.TempFolder(), "");
}

}  // namespace
}  // namespace quorvane::testing
