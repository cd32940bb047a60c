#include <gtest/gtest.h>

#include <filesystem>

#include "ddns/modHTTP.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

constexpr const char* kUserAgentLine = "User-Agent: Brellisto - Quorvane - 1.0.0";

class HttpRequestTest : public ProgramFixture {
 protected:
  std::string Send(const std::string& verb, const std::string& host, const std::string& path,
                   const std::string& user, const std::string& password) {
    return HttpRequest(*program, verb, host, path, true, user, password);
  }
  void Answer(bool completed, int status, const std::string& body) {
    platform.httpAnswers.push_back(
        HttpTransportResult{completed, status, body, completed ? "" : "timed out"});
  }
};

TEST_F(HttpRequestTest, GetSendsHostAuthorizationAndUserAgentInOrder) {
  Answer(true, 200, "good 198.51.100.4");
  EXPECT_EQ(Send("GET", "members.dyndns.org", "/nic/update?hostname=h&myip=1.2.3.4", "alice", "secret"),
            "good 198.51.100.4");
  ASSERT_EQ(platform.httpRequests.size(), 1u);
  const HttpTransportRequest& sent = platform.httpRequests[0];
  EXPECT_EQ(sent.verb, "GET");
  EXPECT_EQ(sent.host, "members.dyndns.org");
  EXPECT_EQ(sent.target, "/nic/update?hostname=h&myip=1.2.3.4");
  EXPECT_TRUE(sent.secure);
  EXPECT_EQ(sent.headerLines,
            (std::vector<std::string>{"Host: members.dyndns.org", "Authorization: Basic YWxpY2U6c2VjcmV0",
                                      kUserAgentLine}));
  EXPECT_EQ(sent.body, "");
}

TEST_F(HttpRequestTest, EmptyUserNameSendsNoAuthorization) {
  Answer(true, 200, "good");
  Send("GET", "www.yi.org", "/bin/dyndns.fcgi?ipaddr=1.2.3.4", "", "secret");
  ASSERT_EQ(platform.httpRequests.size(), 1u);
  EXPECT_EQ(platform.httpRequests[0].headerLines,
            (std::vector<std::string>{"Host: www.yi.org", kUserAgentLine}));
}

TEST_F(HttpRequestTest, LongCredentialStaysOnOneLineAndThePasswordNowhereElse) {
  const std::string user = "a-rather-long-user-name@example.org";
  const std::string password = "correct horse battery staple";  // 64 bytes joined: two encoder lines
  program->state.debugMode = true;
  Answer(false, 0, "");  // a failed send writes a developer-mode log line
  Send("GET", "members.dyndns.org", "/nic/update?hostname=h", user, password);
  ASSERT_EQ(platform.httpRequests.size(), 1u);
  const HttpTransportRequest& sent = platform.httpRequests[0];
  ASSERT_EQ(sent.headerLines.size(), 3u);
  EXPECT_EQ(sent.headerLines[1],
            "Authorization: Basic "
            "YS1yYXRoZXItbG9uZy11c2VyLW5hbWVAZXhhbXBsZS5vcmc6Y29ycmVjdCBob3JzZSBiYXR0ZXJ5IHN0YXBsZQ==");
  for (const std::string& line : sent.headerLines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    EXPECT_EQ(line.find(password), std::string::npos) << line;
  }
  EXPECT_EQ(sent.target.find(password), std::string::npos);
  EXPECT_EQ(sent.body.find(password), std::string::npos);
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"HttpSendRequest failed"});
  EXPECT_EQ(ReadAll(DataFile("ipchange.log")).find("horse"), std::string::npos);
  for (const auto& [text, title] : desktop.messages) EXPECT_EQ(text.find("horse"), std::string::npos) << text;
}

TEST_F(HttpRequestTest, PostCarriesTheQueryAsAFormBody) {
  Answer(true, 200, "ok");
  Answer(true, 200, "ok");
  Send("POST", "example.net", "/update?a=1&b=2?c", "u", "p");
  Send("POST", "example.net", "/update", "", "");
  ASSERT_EQ(platform.httpRequests.size(), 2u);
  EXPECT_EQ(platform.httpRequests[0].target, "/update?a=1&b=2?c");
  EXPECT_EQ(platform.httpRequests[0].body, "a=1&b=2?c");
  EXPECT_EQ(platform.httpRequests[0].headerLines,
            (std::vector<std::string>{"Host: example.net", "Authorization: Basic dTpw", kUserAgentLine,
                                      "Content-Type: application/x-www-form-urlencoded"}));
  EXPECT_EQ(platform.httpRequests[1].body, "/update");
}

TEST_F(HttpRequestTest, TargetNeverCarriesALineBreakOrBlank) {
  Answer(true, 200, "good");
  Send("GET", "example.net", "/u?h=a b\r\nX-Evil: 1", "", "");
  ASSERT_EQ(platform.httpRequests.size(), 1u);
  EXPECT_EQ(platform.httpRequests[0].target, "/u?h=a%20b%0D%0AX-Evil:%201");
}

// What the caller gets back, and what developer mode shows, for each way a request can end.
struct ResultCase {
  const char* what;
  const char* verb;
  const char* host;
  bool completed;
  int status;
  const char* body;
  std::size_t requestsSent;
  const char* result;
  std::vector<std::string> messages;  // developer-mode message boxes, in order
  std::vector<std::string> logTexts;  // developer-mode change-log lines
};

const ResultCase kResults[] = {
    {"success body", "GET", "h.example", true, 200, "good 1.2.3.4\n", 1, "good 1.2.3.4\n", {}, {}},
    {"error status still gives its body", "GET", "h.example", true, 401, "badauth", 1, "badauth", {}, {}},
    {"empty body", "GET", "h.example", true, 200, "", 1, "", {}, {}},
    {"send failed: part of a body is dropped",
     "GET",
     "h.example",
     false,
     200,
     "goo",
     1,
     "",
     {"HttpSendRequest failed"},
     {"HttpSendRequest failed"}},
    {"unknown verb sends nothing",
     "PUT",
     "h.example",
     true,
     200,
     "good",
     0,
     "",
     {"HttpSendRequest failed"},
     {"HttpSendRequest failed"}},
    {"empty host opens nothing", "GET", "", true, 200, "good", 0, "", {"Error: HttpOpenRequest failed"}, {}},
};

TEST_F(HttpRequestTest, ResultAndDeveloperMessagesForEachEnding) {
  for (bool debug : {false, true}) {
    for (const ResultCase& c : kResults) {
      SCOPED_TRACE(std::string(c.what) + (debug ? " (developer mode)" : ""));
      platform.httpAnswers.clear();
      platform.httpRequests.clear();
      desktop.messages.clear();
      std::filesystem::remove(DataFile("ipchange.log"));
      program->state.debugMode = debug;
      Answer(c.completed, c.status, c.body);

      EXPECT_EQ(Send(c.verb, c.host, "/nic/update?x=1", "user", "pw"), c.result);
      EXPECT_EQ(platform.httpRequests.size(), c.requestsSent);
      std::vector<std::string> texts;
      for (const auto& [text, title] : desktop.messages) {
        texts.push_back(text);
        EXPECT_EQ(title, "Quorvane");
      }
      EXPECT_EQ(texts, debug ? c.messages : std::vector<std::string>{});
      EXPECT_EQ(LogTexts(), debug ? c.logTexts : std::vector<std::string>{});
    }
  }
}

}  // namespace
}  // namespace quorvane::testing
