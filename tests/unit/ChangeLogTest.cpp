#include "log/ChangeLog.h"

#include <filesystem>
#include <functional>
#include <string>

#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

class ChangeLogTest : public ProgramFixture {
 protected:
  std::string LogPath() const { return DataFile("ipchange.log"); }
};

TEST_F(ChangeLogTest, LineIsDateTimeColonText) {
  struct Case {
    LocalDateTime now;
    std::string message, expected;
  };
  const Case cases[] = {
      {{2026, 3, 7, 21, 5, 9},
       "Program startup. Acquiring and Checking IP Addresses.",
       "03-07-2026 21:05:09: Program startup. Acquiring and Checking IP Addresses."},
      {{2026, 3, 7, 21, 5, 9}, "", "03-07-2026 21:05:09: "},
      {{2031, 12, 31, 0, 0, 0}, "midnight", "12-31-2031 00:00:00: midnight"},
      {{999, 1, 2, 3, 4, 5}, "x: y", "01-02-0999 03:04:05: x: y"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(LogPath());
    desktop.logLines.clear();
    platform.now = c.now;
    LogEvent(*program, c.message);
    EXPECT_EQ(ReadAll(LogPath()), c.expected + "\r\n");
    EXPECT_EQ(desktop.logLines, std::vector<std::string>{c.expected});
  }
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ChangeLogTest, ChangeLinesNameOldAndNewAddress) {
  program->state.lastExternalIP = "";  // the first check after a first run
  program->form.txtExternalIP.SetText("198.51.100.4");
  program->state.lastInternalIP = "192.168.1.10";
  program->form.txtInternalIP.SetText("192.168.1.11");
  LogEvent(*program, "first");
  LogExternalIPChange(*program);
  LogInternalIPChange(*program);
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"first", "External IP  changed to 198.51.100.4",
                                                  "Internal IP 192.168.1.10 changed to 192.168.1.11"}));
}

TEST_F(ChangeLogTest, DeveloperModeShowsEachEventBeforeWritingIt) {
  // The box must be up before the line is on disk: the user reads the message while the program waits.
  struct WatchingDesktop : FakeDesktop {
    std::function<void()> onMessage;
    void MessageBox(const std::string& text, const std::string& title) override {
      FakeDesktop::MessageBox(text, title);
      onMessage();
    }
  } watching;
  Program dev(platform, watching, watching);
  dev.state.dataFolder = DataFolder();
  dev.state.debugMode = true;
  std::string logAtMessage = "unset";
  watching.onMessage = [&] { logAtMessage = ReadAll(LogPath()); };

  LogEvent(dev, "hello");
  EXPECT_EQ(logAtMessage, "");
  ASSERT_EQ(watching.messages.size(), 1u);
  EXPECT_EQ(watching.messages[0], (std::pair<std::string, std::string>{"hello", "Quorvane"}));

  // Change lines are never shown.
  LogExternalIPChange(dev);
  LogInternalIPChange(dev);
  EXPECT_EQ(watching.messages.size(), 1u);
  EXPECT_EQ(watching.logLines.size(), 3u);
}

TEST_F(ChangeLogTest, DeletedLogIsCreatedAnew) {
  LogEvent(*program, "one");
  LogEvent(*program, "two");
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"one", "two"}));
  std::filesystem::remove(LogPath());
  LogEvent(*program, "three");
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"three"});
}

TEST_F(ChangeLogTest, UnwritableLogLosesTheLineButStillEchoesIt) {
  std::filesystem::remove_all(DataFolder());
  LogEvent(*program, "lost");
  EXPECT_FALSE(std::filesystem::exists(LogPath()));
  ASSERT_EQ(desktop.logLines.size(), 1u);
  EXPECT_EQ(desktop.logLines[0], "03-07-2026 21:05:09: lost");
}

TEST_F(ChangeLogTest, NoDataFolderWritesNoFileButEchoes) {
  const std::filesystem::path startFolder = std::filesystem::current_path();
  const std::string cwd = temp.File("cwd");
  std::filesystem::create_directories(cwd);
  std::filesystem::current_path(cwd);
  program->state.dataFolder.clear();
  LogEvent(*program, "nowhere");
  LogExternalIPChange(*program);
  std::filesystem::current_path(startFolder);

  EXPECT_TRUE(std::filesystem::is_empty(cwd));
  EXPECT_EQ(desktop.logLines.size(), 2u);
}

}  // namespace
}  // namespace quorvane::testing
