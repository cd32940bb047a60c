#include "settings/Settings.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/Calendar.h"
#include "fakes/SaveBlocker.h"
#include "log/ChangeLog.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kDefaultFile =
    "0\r\nDNS-O-Matic\r\n\r\n\r\n\r\n\r\nNOCHG\r\nNOCHG\r\nON\r\nNO\r\n5\r\n0\r\n0\r\n1/1/2014\r\n"
    "http://api.ipify.org/\r\nhttp://myip.dnsomatic.com/\r\nhttp://checkip.dyndns.org/\r\n";

std::string CrLfLines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The default file's first 14 lines (no URLs), for tests that vary one of them.
Lines Head() {
  return {"0", "DNS-O-Matic", "", "", "", "", "NOCHG", "NOCHG", "ON", "NO", "5", "0", "0", "1/1/2014"};
}

class SettingsTest : public ProgramFixture {
 protected:
  std::string ConfigPath() const { return DataFile("config.txt"); }
  void LoadText(const std::string& content) {
    WriteAll(ConfigPath(), content);
    LoadSettings(*program);
  }
  frmMain& Form() { return program->form; }
  std::vector<int> Flags() {
    return {Form().chkUpdateDynDNS.Value(), Form().chkExcessiveLogging.Value(), Form().chkOffline.Value()};
  }
  // Saves, then loads the file into a second program on the same folder, as the next start would.
  std::string SaveAndReloadUrls() {
    SaveSettings(*program);
    Program next(platform, desktop, desktop);
    next.state.dataFolder = DataFolder();
    LoadSettings(next);
    return next.form.txtExternalIPURL.Text();
  }
};

TEST_F(SettingsTest, DefaultFileBytes) {
  WriteDefaultSettings(*program);
  EXPECT_EQ(ReadAll(ConfigPath()), kDefaultFile);
}

TEST_F(SettingsTest, EveryLineHasItsControlAndSavesBackUnchanged) {
  const Lines file = {" 1 ", "DynDNS", "me", "pw",  "a.org,b.org", "dyndns",   "",          "NO",
                      "OFF", "YES",    "15", " 0 ", " 1 ",         "3/7/2026", "http://a/", "http://b/"};
  LoadText(CrLfLines(file));
  const frmMain& f = Form();
  const Control* texts[] = {&f.cmbDDNSservice, &f.txtDDNSusername, &f.txtDDNSpassword, &f.txtDDNShostname,
                            &f.txtDDNSsystem,  &f.cmbDDNSmx,       &f.cmbDDNSbackMX,   &f.cmbDDNSwildcard,
                            &f.cmbDDNSoffline, &f.txtInterval};
  for (std::size_t i = 0; i < std::size(texts); ++i)
    EXPECT_EQ(texts[i]->Text(), file[i + 1]) << texts[i]->Name();
  EXPECT_EQ(f.txtExternalIPURL.Text(), "http://a/\r\nhttp://b/\r\n");
  EXPECT_EQ(Flags(), (std::vector{1, 0, 1}));
  EXPECT_EQ(program->state.lastUpdateDate, DayNumberFromDate(2026, 3, 7));
  EXPECT_TRUE(Form().cmbDDNSservice.Enabled());  // the check box's change handler ran

  SaveSettings(*program);
  EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(file));
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "http://a/\r\nhttp://b/");  // one trailing line end dropped
}

TEST_F(SettingsTest, FlagLinesSetOnlyForOne) {
  const std::pair<std::string, int> cases[] = {{" 1 ", 1}, {"1", 1}, {"1.4", 1}, {" 0 ", 0},
                                               {"abc", 0}, {"", 0},  {"2", 0},   {"1.5", 0}};
  for (const auto& [line, expected] : cases) {
    for (Control* box : {&Form().chkUpdateDynDNS, &Form().chkExcessiveLogging, &Form().chkOffline})
      box->SetValue(1);  // so that a clearing line is seen to clear
    Lines lines = Head();
    lines[0] = lines[11] = lines[12] = line;
    LoadText(CrLfLines(lines));
    EXPECT_EQ(Flags(), std::vector(3, expected)) << '"' << line << '"';
  }
}

TEST_F(SettingsTest, LinesEndAtCrOrCrLfAndLoseBlanksButNotTabs) {
  for (const char* content :
       {"1\r  No Such DNS  \r  user name \r\tpw\t\r", "1\r\n  No Such DNS  \r\n  user name \r\n\tpw\t",
        "1\r  No Such DNS  \r\n  user name \r\tpw\t"}) {
    Form().txtDDNShostname.SetText("stale");  // lines missing from a short file read empty
    LoadText(content);
    EXPECT_EQ(Flags(), (std::vector{1, 0, 0}));
    EXPECT_EQ(Form().cmbDDNSservice.Text(), "No Such DNS");  // an unknown service is kept
    EXPECT_EQ(
        (Lines{Form().txtDDNSusername.Text(), Form().txtDDNSpassword.Text(), Form().txtDDNShostname.Text()}),
        (Lines{"user name", "\tpw\t", ""}));
  }
  SaveSettings(*program);
  EXPECT_NE(ReadAll(ConfigPath()).find("\r\nNo Such DNS\r\nuser name\r\n\tpw\t\r\n"), std::string::npos);
  LoadText("0\r\nDynDNS\r\nus\ner\r\n");  // a line feed alone does not end a line
  EXPECT_EQ(Form().txtDDNSusername.Text(), "us\ner");
}

TEST_F(SettingsTest, UrlListSurvivesSaveAndLoad) {
  LoadText(CrLfLines(Head()));  // a 14-line file grows an empty 15th line
  EXPECT_EQ(SaveAndReloadUrls(), "\r\n");

  for (const Lines& urls : std::vector<Lines>{{"http://a.example/", "", "http://b.example/", ""},
                                              {"http://a.example/", " spaced ", "\t"}}) {
    Lines lines = Head();
    lines.insert(lines.end(), urls.begin(), urls.end());
    LoadText(CrLfLines(lines));
    EXPECT_EQ(SaveAndReloadUrls(), CrLfLines(urls));
  }
}

TEST_F(SettingsTest, DateLine) {
  constexpr std::int32_t kOld = 40000;
  const std::int32_t kLater = DayNumberFromDate(2025, 12, 31);
  const std::pair<std::string, std::int32_t> cases[] = {{"12/31/2025", kLater}, {"12:00:00 AM", 0},
                                                        {"not a date", kOld},   {"", kOld},
                                                        {"13/45/2014", kOld},   {"2/30/2024", kOld}};
  for (const auto& [line, expected] : cases) {
    program->state.lastUpdateDate = kOld;
    Lines lines = Head();
    lines[13] = line;
    LoadText(CrLfLines(lines));
    EXPECT_EQ(program->state.lastUpdateDate, expected) << '"' << line << '"';
  }
}

TEST_F(SettingsTest, SaveThatFailsHalfWayLeavesOldFileByteIdentical) {
  WriteAll(ConfigPath(), kDefaultFile);
  Form().txtExternalIPURL.SetText("http://a/\r\n");
  {
    const SaveBlocker blocker(ConfigPath());
    ASSERT_TRUE(blocker.Active());
    SaveSettings(*program);
  }

  EXPECT_EQ(ReadAll(ConfigPath()), kDefaultFile);
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "http://a/\r\n");  // trimmed only after a good save
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(DataFolder()), {}), 1)
      << "temporary left behind";
}

class ChangeLogTest : public ProgramFixture {};

TEST_F(ChangeLogTest, LineIsDateTimeColonText) {
  const std::tuple<LocalDateTime, std::string, std::string> cases[] = {
      {{2026, 3, 7, 21, 5, 9}, "Program startup.", "03-07-2026 21:05:09: Program startup."},
      {{2026, 3, 7, 21, 5, 9}, "", "03-07-2026 21:05:09: "},
      {{999, 1, 2, 3, 4, 5}, "x: y", "01-02-0999 03:04:05: x: y"}};
  for (const auto& [now, message, expected] : cases) {
    std::filesystem::remove(DataFile("ipchange.log"));
    desktop.logLines.clear();
    platform.now = now;
    LogEvent(*program, message);
    EXPECT_EQ(ReadAll(DataFile("ipchange.log")), expected + "\r\n");
    EXPECT_EQ(desktop.logLines, std::vector<std::string>{expected});
  }
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ChangeLogTest, ChangeLinesNameOldAndNewAddress) {
  program->form.txtExternalIP.SetText("198.51.100.4");
  program->state.lastInternalIP = "192.168.1.10";
  program->form.txtInternalIP.SetText("192.168.1.11");
  LogEvent(*program, "first");
  LogExternalIPChange(*program);
  LogInternalIPChange(*program);
  EXPECT_EQ(LogTexts(), (Lines{"first", "External IP  changed to 198.51.100.4",  // no old address yet
                               "Internal IP 192.168.1.10 changed to 192.168.1.11"}));
}

TEST_F(ChangeLogTest, DeveloperModeShowsOnlyEventsAndBeforeWritingThem) {
  struct WatchingDesktop : FakeDesktop {
    std::string logPath, logAtMessage = "unset";
    void MessageBox(const std::string& text, const std::string& title) override {
      FakeDesktop::MessageBox(text, title);
      logAtMessage = ReadAll(logPath);
    }
  } watching;
  watching.logPath = DataFile("ipchange.log");
  Program dev(platform, watching, watching);
  dev.state.dataFolder = DataFolder();
  dev.state.debugMode = true;
  LogEvent(dev, "hello");
  LogExternalIPChange(dev);
  LogInternalIPChange(dev);
  EXPECT_EQ(watching.logAtMessage, "");  // the user reads the box while the line waits
  EXPECT_EQ(watching.messages, (std::vector<std::pair<std::string, std::string>>{{"hello", "Quorvane"}}));
}

}  // namespace
}  // namespace quorvane::testing
