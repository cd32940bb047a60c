#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>

#include "integration/InChild.h"
#include "platform/posix/PosixPlatform.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Sets (or, with nullptr, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) previous = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (previous)
      ::setenv(name, previous->c_str(), 1);
    else
      ::unsetenv(name);
  }

 private:
  const char* name;
  std::optional<std::string> previous;
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
  EXPECT_EQ(Listing(temp.Path()), std::vector<std::string>{"config.txt"});
}

TEST_F(PosixFiles, AFailedReplaceKeepsTheOldFileByteIdentical) {
  const std::string path = temp.File("config.txt");
  const std::string old = "1\r\nDynDNS\r\nuser\r\n";
  WriteAll(path, old);

  // The disk fills up half-way through the new content.
  {
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool replaced = platform.ReplaceFile(path, std::string(100, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(replaced);
  }
  // The name is taken by a folder; the folder to write in is gone.
  ASSERT_EQ(::mkdir(temp.File("ip.txt").c_str(), 0700), 0);
  EXPECT_FALSE(platform.ReplaceFile(temp.File("ip.txt"), "new"));
  EXPECT_FALSE(platform.ReplaceFile(temp.File("missing/config.txt"), "new"));

  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(Listing(temp.Path()), (std::vector<std::string>{"config.txt", "ip.txt"}));
}

TEST_F(PosixFiles, ReplaceFileReplacesALinkInsteadOfWritingThroughIt) {
  const std::string victim = temp.File("victim"), link = temp.File("ip.txt");
  WriteAll(victim, "precious");
  ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
  ASSERT_TRUE(platform.ReplaceFile(link, "0.0.0.0\r\n"));
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_EQ(ReadAll(link), "0.0.0.0\r\n");
  EXPECT_EQ(ModeOf(link), 0600u);  // now a plain file of ours
}

TEST_F(PosixFiles, AppendToFileCreatesAPrivateFileAndNeverFollowsALink) {
  const std::string log = temp.File("ipchange.log");
  ASSERT_TRUE(platform.AppendToFile(log, "first\r\n"));
  ASSERT_TRUE(platform.AppendToFile(log, "second\r\n"));
  EXPECT_EQ(ReadAll(log), "first\r\nsecond\r\n");
  EXPECT_EQ(ModeOf(log), 0600u);

  const std::string victim = temp.File("victim"), link = temp.File("linked.log");
  WriteAll(victim, "precious");
  ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
  EXPECT_FALSE(platform.AppendToFile(link, "line\r\n"));
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_FALSE(platform.AppendToFile(temp.File("missing/ipchange.log"), "line\r\n"));
}

TEST_F(PosixFiles, CreateFolderMakesOnePrivateLevel) {
  const std::string folder = temp.File("Quorvane");
  ASSERT_TRUE(platform.CreateFolder(folder));
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_FALSE(platform.CreateFolder(folder));  // exists already
  EXPECT_FALSE(platform.CreateFolder(temp.File("a/b")));
  EXPECT_FALSE(platform.FileExists(temp.File("a")));
}

TEST_F(PosixFiles, OnlyVisibleRegularFilesMakeAFolderNonEmpty) {
  const std::string folder = temp.File("data");
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(folder));  // missing
  ASSERT_TRUE(platform.CreateFolder(folder));
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(folder));
  ASSERT_TRUE(platform.CreateFolder(folder + "/sub"));
  WriteAll(folder + "/sub/config.txt", "x");
  WriteAll(folder + "/.config.txt.Ab12Cd", "left by a crash");
  ASSERT_EQ(::symlink("sub", (folder + "/link-to-folder").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (folder + "/dangling").c_str()), 0);
  EXPECT_FALSE(platform.FolderHasOrdinaryFiles(folder));
  WriteAll(folder + "/ipchange.log", "");
  EXPECT_TRUE(platform.FolderHasOrdinaryFiles(folder));
}

TEST_F(PosixFiles, ReadFileGivesExactBytesAndOnlyOfRegularFiles) {
  const std::string path = temp.File("ip.txt");
  const std::string content("1.2.3.4\r\n\0\xff\r\n", 13);
  WriteAll(path, content);
  EXPECT_EQ(platform.ReadFile(path), content);
  EXPECT_TRUE(platform.FileExists(path));

  EXPECT_EQ(platform.ReadFile(temp.File("missing")), std::nullopt);
  EXPECT_FALSE(platform.FileExists(temp.File("missing")));
  EXPECT_EQ(platform.ReadFile(temp.Path()), std::nullopt);
  EXPECT_FALSE(platform.FileExists(temp.Path()));
  // A FIFO planted under the name must not block the program.
  ASSERT_EQ(::mkfifo(temp.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(platform.ReadFile(temp.File("fifo")), std::nullopt);
  EXPECT_FALSE(platform.AppendToFile(temp.File("fifo"), "x"));

  EXPECT_TRUE(platform.DeleteFile(path));
  EXPECT_FALSE(platform.DeleteFile(path));
}

TEST_F(PosixFiles, LocalAppDataFolderFollowsXdgAndIsCreatedPrivate) {
  const std::string home = temp.File("home user");  // a blank in the path is fine
  ASSERT_TRUE(platform.CreateFolder(home));
  ScopedEnv homeVar("HOME", home.c_str());
  {
    const std::string xdg = temp.File("xdg/data");
    ScopedEnv xdgVar("XDG_DATA_HOME", (xdg + "/").c_str());
    EXPECT_EQ(platform.LocalAppDataFolder(), xdg);
    EXPECT_EQ(ModeOf(temp.File("xdg")), 0700u);
    EXPECT_EQ(ModeOf(xdg), 0700u);
  }
  for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/data"}) {
    ScopedEnv xdgVar("XDG_DATA_HOME", ignored);
    EXPECT_EQ(platform.LocalAppDataFolder(), home + "/.local/share") << (ignored ? ignored : "(unset)");
  }
  {
    WriteAll(temp.File("a-file"), "");
    ScopedEnv xdgVar("XDG_DATA_HOME", temp.File("a-file").c_str());
    EXPECT_EQ(platform.LocalAppDataFolder(), std::nullopt);
  }
  {
    ScopedEnv xdgVar("XDG_DATA_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(platform.LocalAppDataFolder(), std::nullopt);
    ScopedEnv relativeHome("HOME", "relative");
    EXPECT_EQ(platform.LocalAppDataFolder(), std::nullopt);
  }
}

TEST_F(PosixFiles, TempFolderIsPrivateToTheUser) {
  ScopedEnv tmpdir("TMPDIR", temp.Path().c_str());
  const std::string fallback = temp.File("quorvane-" + std::to_string(::geteuid()));
  const std::string runtime = temp.File("runtime");
  ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
  {
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
    EXPECT_EQ(platform.TempFolder(), runtime + "/");
  }
  {
    ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(platform.TempFolder(), fallback + "/");
    EXPECT_EQ(ModeOf(fallback), 0700u);
  }
  {
    // A runtime folder open to others is not used (and not changed); ours in TMPDIR is tightened.
    ASSERT_EQ(::chmod(runtime.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(fallback.c_str(), 0777), 0);
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
    EXPECT_EQ(platform.TempFolder(), fallback + "/");
    EXPECT_EQ(ModeOf(runtime), 0755u);
    EXPECT_EQ(ModeOf(fallback), 0700u);
  }
  ScopedEnv xdg("XDG_RUNTIME_DIR", nullptr);
  // A link planted at the name, even to a private folder, is refused.
  ASSERT_EQ(::rmdir(fallback.c_str()), 0);
  ASSERT_EQ(::symlink(runtime.c_str(), fallback.c_str()), 0);
  EXPECT_EQ(platform.TempFolder(), "");
  ASSERT_EQ(::unlink(fallback.c_str()), 0);
  // So is a folder that belongs to someone else (only root can set that up).
  if (::geteuid() == 0) {
    ASSERT_EQ(::mkdir(fallback.c_str(), 0700), 0);
    ASSERT_EQ(::chown(fallback.c_str(), 4242, 4242), 0);
    EXPECT_EQ(platform.TempFolder(), "");
  }
}

TEST_F(PosixFiles, ProgramFolderHoldsTheRunningExecutable) {
  const std::string folder = platform.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(platform.FileExists(folder + "/system_tests"));
}

std::string Dotted(const IPv4Address& a) {
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
         std::to_string(a[3]);
}

TEST_F(PosixFiles, AddressTableHoldsLoopbackAndIsSorted) {
  const auto table = platform.IPv4AddressTable();
  ASSERT_TRUE(table.has_value());
  EXPECT_NE(std::find(table->begin(), table->end(), IPv4Address{127, 0, 0, 1}), table->end());
  EXPECT_TRUE(std::is_sorted(table->begin(), table->end()));
}

TEST_F(PosixFiles, AddressTableListsManyAddressesInNumericOrder) {
  // More addresses than the Windows table's 21 rows, in an order where text order, host byte order
  // and numeric order all differ.
  const auto text = InChildNamespaces(CLONE_NEWNET | CLONE_NEWUTS, [] {
    std::string script = "ip link set lo up";
    for (const char* address : {"192.168.1.20", "10.0.0.5", "9.255.255.255", "10.0.0.10", "200.1.1.1"})
      script += std::string(" && ip addr add ") + address + "/32 dev lo";
    for (int i = 1; i <= 20; ++i)
      script += " && ip addr add 172.16.0." + std::to_string(i * 10) + "/32 dev lo";
    if (std::system((script + " 2>/dev/null").c_str()) != 0) return std::string("SKIP");
    PosixPlatform inside;
    const auto table = inside.IPv4AddressTable();
    if (!table) return std::string("no table");
    std::string list;
    for (const auto& address : *table) list += Dotted(address) + " ";
    return list;
  });
  if (!text) GTEST_SKIP() << "no private network namespace (unshare or ip not available)";
  std::string expected = "9.255.255.255 10.0.0.5 10.0.0.10 127.0.0.1 ";
  for (int i = 1; i <= 20; ++i) expected += "172.16.0." + std::to_string(i * 10) + " ";
  expected += "192.168.1.20 200.1.1.1 ";
  EXPECT_EQ(*text, expected);
}

TEST_F(PosixFiles, ComputerNameIsTheHostNameAsSet) {
  for (const std::string& name : {std::string("OFFICE PC"), std::string(64, 'h')}) {
    const auto got = InChildNamespaces(CLONE_NEWNET | CLONE_NEWUTS, [&] {
      if (::sethostname(name.data(), name.size()) != 0) return std::string("SKIP");
      return PosixPlatform().ComputerName();
    });
    if (!got) GTEST_SKIP() << "no private host-name namespace";
    EXPECT_EQ(*got, name);
  }
}

extern "C" void IgnoreAlarm(int) {}

TEST_F(PosixFiles, SleepLastsTheWholeTimeEvenWhenASignalArrives) {
  struct sigaction action {
  }, previous{};
  action.sa_handler = IgnoreAlarm;  // no SA_RESTART: nanosleep returns early with EINTR
  ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer{{0, 20000}, {0, 20000}};  // every 20 ms
  ASSERT_EQ(::setitimer(ITIMER_REAL, &timer, nullptr), 0);
  const auto start = std::chrono::steady_clock::now();
  platform.Sleep(150);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  itimerval off{};
  ::setitimer(ITIMER_REAL, &off, nullptr);
  ::sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(elapsed, std::chrono::milliseconds(150));
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
}

TEST_F(PosixFiles, NowIsTheLocalClock) {
  std::time_t before = 0, after = 0;
  LocalDateTime now;
  {
    ScopedEnv tz("TZ", "UTC+5");  // five hours behind UTC, all year round
    ::tzset();
    before = std::time(nullptr);
    now = platform.Now();
    after = std::time(nullptr);
  }
  ::tzset();
  auto matches = [&](std::time_t t) {
    const std::time_t shifted = t - 5 * 3600;
    std::tm expected{};
    ::gmtime_r(&shifted, &expected);
    return now.year == expected.tm_year + 1900 && now.month == expected.tm_mon + 1 &&
           now.day == expected.tm_mday && now.hour == expected.tm_hour && now.minute == expected.tm_min &&
           now.second == expected.tm_sec;
  };
  EXPECT_TRUE(matches(before) || matches(after)) << now.year << "-" << now.month << "-" << now.day << " "
                                                 << now.hour << ":" << now.minute << ":" << now.second;
}

}  // namespace
}  // namespace quorvane::testing
