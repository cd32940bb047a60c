#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
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

struct PosixFiles : ::testing::Test {
  TempDir temp;
  PosixPlatform platform;
};

// Links to files elsewhere (a dotfile manager) are followed; what is made holds the password: private.
TEST_F(PosixFiles, LinksAreFollowedAndKeptFifosRefusedAndWhatIsMadePrivate) {
  ASSERT_TRUE(platform.CreateFolder(temp.File("elsewhere")));
  const std::string target = temp.File("elsewhere/config.txt"), link = temp.File("config.txt");
  WriteAll(target, "old password\r\n");
  ASSERT_EQ(::symlink("elsewhere/config.txt", link.c_str()), 0);
  ASSERT_EQ(::symlink("config.txt", temp.File("ipchange.log").c_str()), 0);  // a link to a link
  ASSERT_EQ(::symlink("elsewhere/ip.txt", temp.File("ip.txt").c_str()), 0);  // to a file not made yet
  const std::string content("new\r\n\0binary\xff\r\n", 16);
  ASSERT_TRUE(platform.ReplaceFile(link, content));
  ASSERT_TRUE(platform.AppendToFile(temp.File("ipchange.log"), "more\r\n"));
  ASSERT_TRUE(platform.ReplaceFile(temp.File("ip.txt"), "0.0.0.0\r\n"));
  ASSERT_TRUE(platform.AppendToFile(temp.File("new.log"), "first\r\n"));
  EXPECT_EQ(platform.ReadFile(link), content + "more\r\n");
  EXPECT_EQ(ReadAll(temp.File("elsewhere/ip.txt")), "0.0.0.0\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Entries(temp.File("elsewhere")), 2);          // no temporary left beside the targets
  ASSERT_TRUE(platform.DeleteFile(temp.File("ip.txt")));  // the target goes, the link stays
  EXPECT_EQ(Entries(temp.File("elsewhere")), 1);
  EXPECT_TRUE(std::filesystem::is_symlink(temp.File("ip.txt")));
  EXPECT_EQ((std::vector{ModeOf(temp.File("elsewhere")), ModeOf(target), ModeOf(temp.File("new.log"))}),
            (std::vector{0700u, 0600u, 0600u}));
  ASSERT_EQ(::mkfifo(temp.File("fifo").c_str(), 0600), 0);  // must not block the program
  EXPECT_EQ(platform.ReadFile(temp.File("fifo")), std::nullopt);
  EXPECT_FALSE(platform.AppendToFile(temp.File("fifo"), "x"));
}

TEST_F(PosixFiles, DataAndTempFoldersAreCreatedPrivate) {
  const std::string xdg = temp.File("xdg/data"), runtime = temp.File("runtime");
  const std::string fallback = temp.File("quorvane-" + std::to_string(::geteuid()));
  ScopedEnv xdgData("XDG_DATA_HOME", (xdg + "/").c_str()), tmpdir("TMPDIR", temp.Path().c_str());
  EXPECT_EQ(platform.LocalAppDataFolder(), xdg);
  EXPECT_EQ((std::vector{ModeOf(temp.File("xdg")), ModeOf(xdg)}), (std::vector{0700u, 0700u}));
  WriteAll(temp.File("file"), "");  // XDG_DATA_HOME naming a file: the default under HOME
  ScopedEnv xdgFile("XDG_DATA_HOME", temp.File("file").c_str()), home("HOME", temp.Path().c_str());
  EXPECT_EQ(platform.LocalAppDataFolder(), temp.File(".local/share"));
  // A runtime folder open to others is not used (nor changed); ours in TMPDIR is tightened.
  ASSERT_EQ(::mkdir(runtime.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(fallback.c_str(), 0777), 0);
  ScopedEnv xdgRuntime("XDG_RUNTIME_DIR", runtime.c_str());
  EXPECT_EQ(platform.TempFolder(), fallback + "/");
  EXPECT_EQ((std::vector{ModeOf(runtime), ModeOf(fallback)}), (std::vector{0755u, 0700u}));
  // A link planted at the name, even to a private folder, is refused.
  ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
  ASSERT_EQ(::rmdir(fallback.c_str()), 0);
  ASSERT_EQ(::symlink(runtime.c_str(), fallback.c_str()), 0);
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(platform.TempFolder(), "");
}

// A full disk (works as root, unlike a read-only folder): no half log line, the old file kept, no temp.
TEST_F(PosixFiles, AFullDiskLeavesNoPartOfALineOrOfAReplacement) {
  const std::string log = temp.Path() + "/ipchange.log", config = temp.Path() + "/config.txt";
  ASSERT_TRUE(platform.AppendToFile(log, "first\r\n"));
  WriteAll(config, "old");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);  // writes beyond the limit fail instead
  const rlimit small{std::filesystem::file_size(log) + 10, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool appended = platform.AppendToFile(log, "a line that does not fit\r\n");
  const bool replaced = platform.ReplaceFile(config, std::string(64, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(appended || replaced);
  ASSERT_TRUE(platform.AppendToFile(log, "third\r\n"));
  EXPECT_EQ(ReadAll(log) + ReadAll(config), "first\r\nthird\r\nold");
  EXPECT_EQ(Entries(temp.Path()), 2);
}

// A killed save's temporaries (holding the password) go, beside link targets too; the user's files stay.
TEST_F(PosixFiles, OnlyOurStaleTemporariesAreRemovedAlsoBesideLinkTargets) {
  const std::filesystem::path folder = temp.Path() + "/data", elsewhere = temp.Path() + "/dotfiles";
  create_directories(folder);
  create_directories(elsewhere);
  create_symlink(elsewhere / "quorvane.conf", folder / "config.txt");
  const std::string ours = ".quorvane-save-";
  for (const std::string& name : std::vector<std::string>{
           ".ip.txt" + ours + "000000", ".owed-update.txt" + ours + "x1Y2z3", ".config.txt.backup",
           ".config.txt.orig01", ".ip.txt.BACKUP", ".ip.txt" + ours + "Ab12C!",
           ".ipchange.log" + ours + "Ab12Cd", ".ip.txt" + ours + "Foreig"})
    WriteAll(folder / name, "password");
  WriteAll(elsewhere / (".quorvane.conf" + ours + "Ab12Cd"), "password");
  WriteAll(elsewhere / ".quorvane.conf.backup", "password");
  create_directory(folder / (".ip.txt" + ours + "Zz99Yy"));
  create_symlink(".config.txt.backup", folder / (".ip.txt" + ours + "Qq11Ww"));
  const bool foreign = chown((folder / (".ip.txt" + ours + "Foreig")).c_str(), getuid() + 1, -1) == 0;
  platform.RemoveStaleTempFiles(folder.string() + "/", {"config.txt", "ip.txt", "owed-update.txt"});
  EXPECT_EQ(Entries(elsewhere), 1) << "the target's temporary goes, the user's backup stays";
  EXPECT_TRUE(exists(elsewhere / ".quorvane.conf.backup"));
  EXPECT_EQ(Entries(folder), foreign ? 9 : 8) << "link, user's three, odd names twice, folder, link";
}

}  // namespace
}  // namespace quorvane::testing
