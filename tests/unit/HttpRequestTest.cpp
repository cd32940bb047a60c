#include <gtest/gtest.h>

#include "ddns/modHTTP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using HttpRequestTest = ProgramFixture;

// Developer mode and a failed send, so the password also has a log line and a message box to leak into.
TEST_F(HttpRequestTest, HeadersInOrderWithTheCredentialOnOneLineAndNowhereElse) {
  const std::string ua = "User-Agent: Brellisto - Quorvane - 1.0.0";
  const struct {
    const char* user;
    const char* password;
    std::vector<std::string> headers;
  } cases[] = {
      {"alice", "secret", {"Host: h.example", "Authorization: Basic YWxpY2U6c2VjcmV0", ua}},
      {"", "secret", {"Host: h.example", ua}},
      // 64 bytes joined: a line-wrapping encoder would break it in two.
      {"a-rather-long-user-name@example.org",
       "correct horse battery staple",
       {"Host: h.example",
        "Authorization: Basic "
        "YS1yYXRoZXItbG9uZy11c2VyLW5hbWVAZXhhbXBsZS5vcmc6Y29ycmVjdCBob3JzZSBiYXR0ZXJ5IHN0YXBsZQ==",
        ua}},
  };
  program->state.debugMode = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    platform.httpRequests.clear();
    platform.httpAnswers.assign(1, HttpTransportResult{false, 0, "", "timed out"});
    EXPECT_EQ(HttpRequest(*program, "GET", "h.example", "/nic/update?hostname=h", true, c.user, c.password),
              "");
    ASSERT_EQ(platform.httpRequests.size(), 1u);
    const HttpTransportRequest& sent = platform.httpRequests[0];
    EXPECT_EQ(sent.verb, "GET");
    EXPECT_EQ(sent.target, "/nic/update?hostname=h");
    EXPECT_EQ(sent.headerLines, c.headers);
    EXPECT_EQ(sent.body, "");
    EXPECT_EQ(LogTexts().back(), "HttpSendRequest failed");
    EXPECT_EQ(ReadAll(DataFile("ipchange.log")).find(c.password), std::string::npos);
    for (const auto& [text, title] : desktop.messages) EXPECT_EQ(text.find(c.password), std::string::npos);
  }
}

}  // namespace
}  // namespace quorvane::testing
