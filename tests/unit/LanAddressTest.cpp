#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "monitor/modGetHostName.h"
#include "monitor/modGetLANIP.h"
#include "support/TempDir.h"

namespace quorvane::testing {
namespace {

class LanAddressTest : public ::testing::Test {
 protected:
  TempDir temp;
  FakePlatform platform{temp.Path(), temp.Path() + "/"};
};

TEST_F(LanAddressTest, AddressListIsDottedDecimalInTableOrder) {
  platform.addressTable = std::vector<IPv4Address>{{10, 0, 20, 100}, {0, 0, 0, 0}, {255, 255, 255, 255}};
  EXPECT_EQ(GetIPAddressList(platform),
            (std::vector<std::string>{"10.0.20.100", "0.0.0.0", "255.255.255.255"}));
  platform.addressTable = std::nullopt;
  EXPECT_EQ(GetIPAddressList(platform), std::nullopt);
}

TEST_F(LanAddressTest, LanAddressIsTheLastEntryOtherThanTheLoopbackText) {
  struct Case {
    std::string name;
    std::optional<std::vector<IPv4Address>> table;
    std::optional<std::string> expected;
  };
  std::vector<IPv4Address> busyHost;  // far more rows than a fixed 512-byte table could hold
  for (std::uint8_t i = 0; i < 40; ++i) busyHost.push_back({10, 0, 1, i});
  busyHost.push_back({127, 0, 0, 1});
  const std::vector<Case> cases = {
      {"loopback first", std::vector<IPv4Address>{{127, 0, 0, 1}, {192, 168, 1, 20}}, "192.168.1.20"},
      {"last qualifying wins", std::vector<IPv4Address>{{10, 0, 0, 5}, {127, 0, 0, 1}, {192, 168, 1, 20}},
       "192.168.1.20"},
      {"loopback only", std::vector<IPv4Address>{{127, 0, 0, 1}}, ""},
      {"empty table", std::vector<IPv4Address>{}, ""},
      {"unaddressed interface", std::vector<IPv4Address>{{0, 0, 0, 0}, {127, 0, 0, 1}}, "0.0.0.0"},
      {"other loopback address", std::vector<IPv4Address>{{127, 0, 0, 1}, {127, 0, 1, 1}}, "127.0.1.1"},
      {"busy host", busyHost, "10.0.1.39"},
      {"table unreadable", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.addressTable = c.table;
    EXPECT_EQ(GetLANIP(platform), c.expected);
  }
}

TEST_F(LanAddressTest, HostNameEndsAtTheFirstNul) {
  using namespace std::string_literals;
  EXPECT_EQ(TrimAtNul(""), "");
  EXPECT_EQ(TrimAtNul("OFFICE PC"), "OFFICE PC");
  EXPECT_EQ(TrimAtNul("OFFICE\0junk"s), "OFFICE");
  EXPECT_EQ(TrimAtNul("\0OFFICE"s), "");

  platform.computerName = "OFFICE PC\0\0\0\0"s;
  EXPECT_EQ(GetHostName(platform), "OFFICE PC");
  platform.computerName = "";
  EXPECT_EQ(GetHostName(platform), "");
}

}  // namespace
}  // namespace quorvane::testing
