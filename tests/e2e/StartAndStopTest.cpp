#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "support/LocalServer.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

const std::string kBinary = QUORVANE_BINARY;
const std::regex kLogLine(R"(\d\d-\d\d-\d{4} \d\d:\d\d:\d\d: .*)");

// The real binary with its data under a fresh XDG_DATA_HOME.
class StartAndStopTest : public ::testing::Test {
 protected:
  std::map<std::string, std::string> Env() const {
    return {{"XDG_DATA_HOME", home.Path()}, {"XDG_RUNTIME_DIR", home.Path()}, {"HOME", home.Path()}};
  }
  std::string Data(const std::string& name) const { return home.Path() + "/Quorvane/" + name; }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string log = ReadAll(Data("ipchange.log"));
    for (std::size_t start = 0, end; start < log.size(); start = end + 2) {
      end = log.find("\r\n", start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "change log line without CR LF";
        break;
      }
      lines.push_back(log.substr(start, end - start));
    }
    return lines;
  }
  TempDir home;
};

TEST_F(StartAndStopTest, FirstRunCreatesDefaultSettingsAndLogsIt) {
  if (!NamespacesAvailable()) GTEST_SKIP() << "cannot create a private network namespace here";
  // The default echo services are internet hosts: inside the namespace they cannot be reached.
  const ProcessResult run = RunInPrivateNetwork("exec " + kBinary + " --once", "", "", Env());
  EXPECT_EQ(run.exitCode, 1) << run.err;  // no public address without a network
  EXPECT_NE(run.out.find("Quorvane 1.0\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(": First run under new user account."), std::string::npos);  // log lines echoed

  // The orderly stop saved the file again: the same 17 values, the flags in their saved form.
  EXPECT_EQ(
      ReadAll(Data("config.txt")),
      " 0 \r\nDNS-O-Matic\r\n\r\n\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n 0 \r\n 0 \r\n1/1/2014\r\n"
      "http://api.ipify.org/\r\nhttp://myip.dnsomatic.com/\r\nhttp://checkip.dyndns.org/\r\n");
  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 1u);
  EXPECT_TRUE(std::regex_match(lines[0], kLogLine)) << lines[0];
  EXPECT_EQ(lines[0].substr(19), ": First run under new user account. Creating default config.txt file.");
  EXPECT_EQ(lines.back().substr(19), ": External IP  changed to 0.0.0.0");
  EXPECT_EQ(ReadAll(Data("ip.txt")).substr(0, 9), "0.0.0.0\r\n");
  // The folder and the files holding the password are the user's alone.
  struct stat info {};
  ASSERT_EQ(stat((home.Path() + "/Quorvane").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  for (const char* name : {"config.txt", "ipchange.log", "ip.txt"}) {
    ASSERT_EQ(stat(Data(name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
  }
}

TEST_F(StartAndStopTest, SecondRunLoadsTheSettingsAndIsNoFirstRun) {
  std::filesystem::create_directories(home.Path() + "/Quorvane");
  // Log Everything on, one echo address on a closed loopback port.
  WriteAll(Data("config.txt"),
           "0\r\nDynDNS\r\n\r\n\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n7\r\n1\r\n0\r\n1/1/2014\r\nhttp://"
           "127.0.0.1:9/\r\n");
  const ProcessResult run = RunProcess({kBinary, "--once"}, Env());
  EXPECT_EQ(run.exitCode, 1);
  const std::string log = ReadAll(Data("ipchange.log"));
  EXPECT_EQ(log.find("First run"), std::string::npos);
  EXPECT_NE(log.find(": Program startup. Acquiring and Checking IP Addresses.\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find(": Getting WAN IP address from http://127.0.0.1:9/\r\n"), std::string::npos) << log;
  EXPECT_NE(ReadAll(Data("config.txt")).find("\r\n7\r\n 1 \r\n 0 \r\n"), std::string::npos);
}

TEST_F(StartAndStopTest, OnceLearnsThePublicAddressFromALoopbackEchoPage) {
  LocalServer echo(LocalServer::Python("echo_server.py", {"--route", "/ip", "200", "198.51.100.4\n"}));
  ASSERT_TRUE(echo.Started()) << echo.Error();
  std::filesystem::create_directories(home.Path() + "/Quorvane");
  WriteAll(Data("config.txt"),
           "0\r\nDynDNS\r\n\r\n\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n0\r\n0\r\n1/1/2014\r\n" +
               echo.Url("/ip") + "\r\n");
  WriteAll(Data("ip.txt"), "203.0.113.7\r\n\r\n");
  const ProcessResult run = RunProcess({kBinary, "--once"}, Env());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAll(Data("ip.txt")).substr(0, 14), "198.51.100.4\r\n");
  const std::vector<std::string> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].substr(19), ": External IP 203.0.113.7 changed to 198.51.100.4");
  EXPECT_EQ(ReadAll(home.Path() + "/wan_ip.txt"), "");  // deleted after a good answer
}

TEST_F(StartAndStopTest, ConsoleRunsUntilSigtermAndThenSavesTheWindowValues) {
  // A folder holding only the change log is no first run: config.txt is written at the stop only.
  std::filesystem::create_directories(home.Path() + "/Quorvane");
  WriteAll(Data("ipchange.log"), "");
  const std::string out = home.File("out"), err = home.File("err");
  BackgroundProcess quorvane({kBinary, "--console"}, Env(), out, err);
  // Every check ends by rewriting ip.txt, so its appearance marks the end of the startup check.
  ASSERT_TRUE(WaitForText(Data("ip.txt"), "\r\n", 20)) << ReadAll(err);
  EXPECT_FALSE(std::filesystem::exists(Data("config.txt")));
  EXPECT_EQ(ReadAll(Data("ipchange.log")).find("First run"), std::string::npos);
  EXPECT_EQ(quorvane.Stop(SIGTERM), 0);
  // The window's built-in values: everything empty and clear.
  EXPECT_EQ(ReadAll(Data("config.txt")),
            " 0 \r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n 0 \r\n 0 \r\n12:00:00 AM\r\n\r\n");
}

TEST_F(StartAndStopTest, CommandLine) {
  ProcessResult run = RunProcess({kBinary, "--bogus"}, Env());
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_NE(run.err.find("unknown argument '--bogus'"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home.Path() + "/Quorvane"));
  run = RunProcess({kBinary, "--version"}, Env());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "Quorvane 1.0.0\n");
  run = RunProcess({kBinary, "--help"}, Env());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("--once"), std::string::npos);
}

TEST_F(StartAndStopTest, WithoutAnyDataFolderItSaysSoAndWritesNothing) {
  const ProcessResult run = RunProcess(
      {kBinary, "--once"}, {{"XDG_DATA_HOME", ""}, {"HOME", ""}, {"XDG_RUNTIME_DIR", home.Path()}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no folder for settings"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(home.Path()));
}

}  // namespace
}  // namespace quorvane::testing
