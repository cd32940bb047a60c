#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace quorvane::testing {
namespace {

// Options are looked at whole, values are never options (a host name may hold "-dev"), and the first
// argument not understood is reported, escaped, wherever it stands; a value left out is one of them.
TEST(CommandLineTest, OptionsValuesAndTheFirstUnknownArgument) {
  const char* argv[] = {"quorvane",      "--set",  "hostnames=my-device.example",
                        "--once",        "-devx",  "--onc",
                        "--data-folder", "/srv/q", "x\ty",
                        "--set"};
  const CommandLine line = ReadCommandLine(10, argv, {"--once"}, {"--set", "--data-folder"});
  EXPECT_EQ(line.argumentText, "--once -devx --onc x\ty");
  EXPECT_EQ(line.options, std::vector<std::string>{"--once"});
  EXPECT_EQ(line.ValuesOf("--set"), std::vector<std::string>{"hostnames=my-device.example"});
  EXPECT_EQ(line.ValuesOf("--data-folder"), std::vector<std::string>{"/srv/q"});
  EXPECT_EQ(line.unknown, "--onc");
  EXPECT_EQ(ReadCommandLine(2, argv + 8, {}, {"--set"}).unknown, "--set") << "its value missing";
}

}  // namespace
}  // namespace quorvane::testing
