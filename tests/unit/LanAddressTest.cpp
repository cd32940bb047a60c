#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "monitor/modGetHostName.h"
#include "monitor/modGetLANIP.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

TEST(LanAddressTest, LastEntryOtherThanTheExactLoopbackTextWins) {
  TempDir temp;
  FakePlatform platform{temp.Path(), temp.Path() + "/"};
  using Table = std::vector<IPv4Address>;
  const std::vector<std::pair<std::optional<Table>, std::optional<std::string>>> cases = {
      {Table{{10, 0, 0, 5}, {127, 0, 0, 1}, {192, 168, 1, 20}}, "192.168.1.20"},
      {Table{{127, 0, 0, 1}}, ""},
      {Table{{127, 0, 0, 1}, {127, 0, 1, 1}}, "127.0.1.1"},
      {std::nullopt, std::nullopt},
  };
  for (const auto& [table, expected] : cases) {
    platform.addressTable = table;
    EXPECT_EQ(GetLANIP(platform), expected) << (expected ? *expected : "unreadable");
  }

  platform.computerName = std::string("OFFICE PC\0junk", 14);
  EXPECT_EQ(GetHostName(platform), "OFFICE PC");
}

}  // namespace
}  // namespace quorvane::testing
