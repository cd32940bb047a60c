#include <gtest/gtest.h>

#include <string>

#include "ddns/modBase64.h"

namespace quorvane {
namespace {

class Base64Test : public ::testing::Test {
 protected:
  Base64Test() { codec.InitBase64Table(); }
  Base64Codec codec;
};

TEST_F(Base64Test, EncodesWithPaddingAndAFinalLineEnd) {
  struct Case {
    std::string text, expected;
  };
  const Case cases[] = {
      {"", ""},
      {"f", "Zg==\r\n"},
      {"fo", "Zm8=\r\n"},
      {"foo", "Zm9v\r\n"},
      {"foob", "Zm9vYg==\r\n"},
      {"fooba", "Zm9vYmE=\r\n"},
      {"foobar", "Zm9vYmFy\r\n"},
      {"abc", "YWJj\r\n"},
      {"user:pass", "dXNlcjpwYXNz\r\n"},
      {std::string("\0\0\0", 3), "AAAA\r\n"},
      {"\xff\xfe\xfd", "//79\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(codec.Base64Encode(c.text), c.expected) << '"' << c.text << '"';
}

TEST_F(Base64Test, BreaksLinesAfterSixtyCharacters) {
  const std::string line45 = std::string(15, 'a') + std::string(15, 'b') + std::string(15, 'c');
  const std::string encoded45 = codec.Base64Encode(line45);
  ASSERT_EQ(encoded45.size(), 62u);
  EXPECT_EQ(encoded45.substr(60), "\r\n");
  EXPECT_EQ(encoded45.find('\r'), 60u);

  const std::string encoded46 = codec.Base64Encode(line45 + "d");
  EXPECT_EQ(encoded46.substr(0, 62), encoded45);
  EXPECT_EQ(encoded46.substr(62), "ZA==\r\n");

  // Exactly two full lines: a break between them, no empty line at the end.
  const std::string encoded90 = codec.Base64Encode(line45 + line45);
  EXPECT_EQ(encoded90, encoded45 + encoded45);
}

TEST_F(Base64Test, UsesEveryAlphabetSymbolInOrder) {
  // 48 bytes whose 6-bit groups count from 0 to 63.
  std::string bytes;
  for (unsigned i = 0; i < 64; i += 4)
    for (unsigned shift : {16u, 8u, 0u})
      bytes += static_cast<char>(((i << 18 | (i + 1) << 12 | (i + 2) << 6 | (i + 3)) >> shift) & 0xff);
  EXPECT_EQ(codec.EncodeBase64Bytes(bytes),
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567\r\n89+/\r\n");
}

}  // namespace
}  // namespace quorvane
