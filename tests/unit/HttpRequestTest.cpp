#include <gtest/gtest.h>

#include "ddns/modHTTP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using HttpRequestTest = ProgramFixture;

// The body (whole, or the part a peer broke off) and, in developer mode only, the failed step's
// message with the transport's own words, in a box or in the change log. The request's headers come
// in order, the credential on one line (64 bytes joined: a line-wrapping encoder would break it) and
// nowhere else, not in a box nor in the log.
TEST_F(HttpRequestTest, OutcomesDeveloperMessagesAndHeaders) {
  using enum HttpFailure;
  const struct {
    HttpTransportResult answer;
    std::string body, box;
    bool logged = false;  // the box's text goes to the change log too
  } cases[] = {
      {{true, 200, "good", "", None, true}, "good", ""},
      {{true, 200, "good", "", None, false}, "good", "Error: HttpQueryInfo failed"},
      {{false, 200, "good 1.2", "cut", None, true}, "good 1.2", ""},
      {{false, 200, "", "cut", None, true}, "", ""},
      {{false, 0, "", "no libcurl", Open}, "", "Error: InternetOpen failed\nno libcurl"},
      {{false, 0, "", "refused", Connect}, "", "Error: InternetConnect failed\nrefused"},
      {{false, 0, "", "bad host", OpenRequest}, "", "Error: HttpOpenRequest failed\nbad host"},
      {{false, 0, "", "bad\r\nline", AddHeaders}, "", "Error: HttpAddRequestHeaders failed\nbad  line"},
      {{false, 0, "", "reset", Send}, "", "HttpSendRequest failed: reset", true},
      {{false, 200, "goo", "slow", Bounds}, "", "HttpSendRequest failed: slow", true},
  };
  const std::string user = "a-rather-long-user-name@example.org",
                    password = "correct horse battery stapleaa\xFB\xFB";  // "+", "/" and "="
  const std::vector<std::string> headers{
      "Host: h.example",
      "Authorization: Basic "
      "YS1yYXRoZXItbG9uZy11c2VyLW5hbWVAZXhhbXBsZS5vcmc6Y29ycmVjdCBob3JzZSBiYXR0ZXJ5IHN0YXBsZWFh+/s=",
      "User-Agent: Brellisto - Quorvane - 1.0.0"};
  for (const bool debug : {false, true}) {
    program->state.debugMode = debug;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.answer.error + (debug ? " (developer mode)" : ""));
      desktop.messages.clear();
      platform.DeleteFile(DataFile("ipchange.log"));
      platform.httpAnswers.assign(platform.httpRequests.size() + 1, c.answer);
      EXPECT_EQ(HttpRequest(*program, "GET", "h.example", "/u?h=h", true, user, password), c.body);
      const std::string shown = desktop.messages.empty() ? "" : desktop.messages[0].first;
      EXPECT_EQ(shown, debug ? c.box : "");
      EXPECT_EQ(LogTexts(), debug && c.logged ? Lines{c.box} : Lines{});
      const HttpTransportRequest& sent = platform.httpRequests.back();
      EXPECT_TRUE(sent.verb == "GET" && sent.target == "/u?h=h" && sent.headerLines == headers &&
                  sent.body.empty());
      EXPECT_EQ((ReadAll(DataFile("ipchange.log")) + shown).find(password), std::string::npos);
    }
  }
  HttpRequest(*program, "GET", "h.example", "/u", true, "", password);  // no user name: no Authorization
  EXPECT_EQ(platform.httpRequests.back().headerLines, (std::vector{headers[0], headers[2]}));
  EXPECT_EQ(HttpRequest(*program, "GET", "", "/u", true, "", password), "");  // no host: nothing to open
  EXPECT_EQ(desktop.messages.back().first, "Error: HttpOpenRequest failed");
}

}  // namespace
}  // namespace quorvane::testing
