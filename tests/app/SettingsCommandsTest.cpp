#include "app/SettingsCommands.h"

#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

// --set is all or nothing; "password=-" takes one line from its reader, without the line end.
TEST(SettingsCommandsTest, SetIsAllOrNothingAndTakesThePasswordFromItsReader) {
  TempDir temp;
  FakePlatform platform(temp.Path(), temp.Path() + "/");
  const std::string folder = temp.Path() + "/";
  std::optional<std::string> typed;
  const auto set = [&](const std::vector<std::string>& assignments) {
    return SetSettings(platform, folder, assignments, [&typed] { return typed; }).status;
  };
  EXPECT_EQ(set({"interval=9", "interval=1"}), kExitRefused);
  EXPECT_EQ(set({"interval=9", "password=-"}), kExitRefused) << "nothing to read";
  EXPECT_FALSE(platform.FileExists(folder + "config.txt"));
  typed = "s3cret pass\r\n";
  EXPECT_EQ(set({"interval=9", "password=-"}), 0);
  const std::string shown = ShowSettings(platform, folder, true).out;
  EXPECT_NE(shown.find("password = s3cret pass\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("interval = 9\n"), std::string::npos) << shown;
  std::filesystem::create_directories(folder + "big");  // a config.txt too big to read: nothing changes
  WriteAll(folder + "big/config.txt", "");
  std::filesystem::resize_file(folder + "big/config.txt", 17 << 20);
  EXPECT_EQ(SetSettings(platform, folder + "big/", {"interval=9"}, nullptr).err,
            "config.txt exists but cannot be read; nothing was changed.\n");
  WriteAll(folder + "ip.txt", "203.0.113.7\r\n192.168.1.20\r\n");
  EXPECT_EQ(ShowStatus(platform, folder).out,
            "external = 203.0.113.7\ninternal = 192.168.1.20\n"
            "last-update = 1/1/2014\nowed-update = no\nrunning = no\n");
}

}  // namespace
}  // namespace quorvane::testing
