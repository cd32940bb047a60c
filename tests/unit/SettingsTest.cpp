#include "settings/Settings.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Calendar.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using Lines = std::vector<std::string>;

const Lines kDefaultLines = {"0",
                             "DNS-O-Matic",
                             "",
                             "",
                             "",
                             "",
                             "NOCHG",
                             "NOCHG",
                             "ON",
                             "NO",
                             "5",
                             "0",
                             "0",
                             "1/1/2014",
                             "http://api.ipify.org/",
                             "http://myip.dnsomatic.com/",
                             "http://checkip.dyndns.org/"};

std::string CrLfLines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The default file's first 14 lines (no URLs), for tests that vary one of them.
Lines Head() {
  return {kDefaultLines.begin(), kDefaultLines.begin() + 14};
}

class SettingsTest : public ProgramFixture {
 protected:
  std::string ConfigPath() const { return DataFile("config.txt"); }
  void WriteConfig(const std::string& content) const { WriteAll(ConfigPath(), content); }
  void LoadLines(const Lines& lines) {
    WriteConfig(CrLfLines(lines));
    LoadSettings(*program);
  }
  frmMain& Form() { return program->form; }

  // Loads the file into a second program on the same folder, as the next start would.
  std::unique_ptr<Program> Reload() {
    auto next = std::make_unique<Program>(platform, desktop, desktop);
    next->state.dataFolder = DataFolder();
    LoadSettings(*next);
    return next;
  }

  // Runs the action in a fresh current folder and tells whether anything appeared there.
  bool WritesIntoCurrentFolder(const std::function<void()>& action) {
    const std::filesystem::path startFolder = std::filesystem::current_path();
    const std::string folder = temp.File("cwd");
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    action();
    std::filesystem::current_path(startFolder);
    return !std::filesystem::is_empty(folder);
  }
};

TEST_F(SettingsTest, DefaultFile) {
  WriteDefaultSettings(*program);
  EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(kDefaultLines));
  LoadSettings(*program);
  EXPECT_EQ(program->state.lastUpdateDate, DayNumberFromDate(2014, 1, 1));
  EXPECT_EQ(Form().txtExternalIPURL.Text(),
            "http://api.ipify.org/\r\nhttp://myip.dnsomatic.com/\r\nhttp://checkip.dyndns.org/\r\n");
}

TEST_F(SettingsTest, EveryLineHasItsControlAndSavesBackUnchanged) {
  const Lines file = {" 1 ",      "DynDNS", "me",  "pw",       "a.example.org,b.example.org",
                      "dyndns",   "",       "NO",  "OFF",      "YES",
                      "15",       " 0 ",    " 1 ", "3/7/2026", "http://a/",
                      "http://b/"};
  LoadLines(file);
  struct Expect {
    const Control& control;
    std::string text;
  };
  const Expect texts[] = {{Form().cmbDDNSservice, "DynDNS"},
                          {Form().txtDDNSusername, "me"},
                          {Form().txtDDNSpassword, "pw"},
                          {Form().txtDDNShostname, "a.example.org,b.example.org"},
                          {Form().txtDDNSsystem, "dyndns"},
                          {Form().cmbDDNSmx, ""},
                          {Form().cmbDDNSbackMX, "NO"},
                          {Form().cmbDDNSwildcard, "OFF"},
                          {Form().cmbDDNSoffline, "YES"},
                          {Form().txtInterval, "15"},
                          {Form().txtExternalIPURL, "http://a/\r\nhttp://b/\r\n"}};
  for (const Expect& e : texts) EXPECT_EQ(e.control.Text(), e.text) << e.control.Name();
  EXPECT_EQ(Form().chkUpdateDynDNS.Value(), 1);
  EXPECT_EQ(Form().chkExcessiveLogging.Value(), 0);
  EXPECT_EQ(Form().chkOffline.Value(), 1);
  EXPECT_EQ(program->state.lastUpdateDate, DayNumberFromDate(2026, 3, 7));
  // The check box's change handler ran, as for a user's click.
  EXPECT_TRUE(Form().cmbDDNSservice.Enabled());

  SaveSettings(*program);
  EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(file));
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "http://a/\r\nhttp://b/");
}

TEST_F(SettingsTest, FlagLinesSetOnlyForOne) {
  struct Case {
    std::string line;
    int expected;
  };
  const Case cases[] = {
      {" 1 ", 1}, {"1", 1}, {"1.4", 1}, {"1abc", 1}, {" 0 ", 0}, {"0", 0},
      {"abc", 0}, {"", 0},  {"2", 0},   {"-1", 0},   {"1.5", 0}, {"0.5", 0},
  };
  for (const Case& c : cases) {
    // Start from checked boxes so that a clearing line is seen to clear.
    for (Control* box : {&Form().chkUpdateDynDNS, &Form().chkExcessiveLogging, &Form().chkOffline})
      box->SetValue(1);
    Lines lines = Head();
    lines[0] = lines[11] = lines[12] = c.line;
    LoadLines(lines);
    EXPECT_EQ(Form().chkUpdateDynDNS.Value(), c.expected) << '"' << c.line << '"';
    EXPECT_EQ(Form().chkExcessiveLogging.Value(), c.expected) << '"' << c.line << '"';
    EXPECT_EQ(Form().chkOffline.Value(), c.expected) << '"' << c.line << '"';
  }
}

TEST_F(SettingsTest, TextLinesLoseBlanksButKeepTabs) {
  Lines lines = Head();
  lines[1] = "  No Such DNS  ";  // a service that is not in the list stays as it is
  lines[2] = "  user name ";
  lines[3] = "\tsecret\t";
  LoadLines(lines);
  EXPECT_EQ(Form().cmbDDNSservice.Text(), "No Such DNS");
  EXPECT_EQ(Form().txtDDNSusername.Text(), "user name");
  EXPECT_EQ(Form().txtDDNSpassword.Text(), "\tsecret\t");

  SaveSettings(*program);
  EXPECT_NE(ReadAll(ConfigPath()).find("\r\nNo Such DNS\r\nuser name\r\n\tsecret\t\r\n"), std::string::npos);
}

TEST_F(SettingsTest, LinesEndAtCrOrCrLf) {
  const std::string cases[] = {
      "1\rDynDNS\ruser\r",        // CR alone
      "1\r\nDynDNS\r\nuser\r\n",  // CR LF
      "1\r\nDynDNS\r\nuser",      // last line without an end
      "1\rDynDNS\r\nuser",        // mixed
  };
  for (const std::string& content : cases) {
    WriteConfig(content);
    LoadSettings(*program);
    EXPECT_EQ(Form().chkUpdateDynDNS.Value(), 1);
    EXPECT_EQ(Form().cmbDDNSservice.Text(), "DynDNS");
    EXPECT_EQ(Form().txtDDNSusername.Text(), "user");
    EXPECT_EQ(Form().txtDDNSpassword.Text(), "");
  }
  // A line feed alone does not end a line.
  WriteConfig("0\r\nDynDNS\r\nus\ner\r\n");
  LoadSettings(*program);
  EXPECT_EQ(Form().txtDDNSusername.Text(), "us\ner");
}

TEST_F(SettingsTest, ShortOrMissingFileGivesEmptyValues) {
  Form().txtDDNSusername.SetText("before");
  Form().chkOffline.SetValue(1);
  Form().txtExternalIPURL.SetText("http://a/\r\n");
  program->state.lastUpdateDate = 1234;

  WriteConfig("1\r\n");
  LoadSettings(*program);
  EXPECT_EQ(Form().chkUpdateDynDNS.Value(), 1);
  EXPECT_EQ(Form().txtDDNSusername.Text(), "");
  EXPECT_EQ(Form().chkOffline.Value(), 0);
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "");
  EXPECT_EQ(program->state.lastUpdateDate, 1234);

  // A file that cannot be read counts as an empty one.
  std::filesystem::remove(ConfigPath());
  LoadSettings(*program);
  EXPECT_EQ(Form().chkUpdateDynDNS.Value(), 0);
  EXPECT_EQ(Form().cmbDDNSservice.Text(), "");
}

TEST_F(SettingsTest, FourteenLineFileGrowsAnEmptyFifteenthLine) {
  LoadLines(Head());
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "");
  SaveSettings(*program);
  const std::string saved = ReadAll(ConfigPath());
  EXPECT_EQ(saved.substr(saved.rfind("1/1/2014")), "1/1/2014\r\n\r\n");
  EXPECT_EQ(Reload()->form.txtExternalIPURL.Text(), "\r\n");
}

TEST_F(SettingsTest, UrlListSurvivesSaveAndLoad) {
  const std::vector<Lines> lists = {
      {"http://a.example/", "", "http://b.example/"},  // an empty entry in the middle
      {"http://a.example/", " spaced ", "\t"},         // URL lines are not trimmed
  };
  for (const Lines& urls : lists) {
    Lines lines = Head();
    lines.insert(lines.end(), urls.begin(), urls.end());
    LoadLines(lines);
    SaveSettings(*program);
    EXPECT_EQ(Reload()->form.txtExternalIPURL.Text(), CrLfLines(urls));
  }
}

TEST_F(SettingsTest, SaveDropsOnlyOneTrailingLineEnd) {
  Form().txtExternalIPURL.SetText("http://a/\r\n\r\n");
  SaveSettings(*program);
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "http://a/\r\n");
  const std::string saved = ReadAll(ConfigPath());
  EXPECT_EQ(saved.substr(saved.find("http")), "http://a/\r\n\r\n");
}

TEST_F(SettingsTest, DateLine) {
  struct Case {
    std::string line;
    std::int32_t expected;
  };
  constexpr std::int32_t kBefore = 40000;
  const Case cases[] = {
      {"1/1/2014", DayNumberFromDate(2014, 1, 1)},
      {"12/31/2025", DayNumberFromDate(2025, 12, 31)},
      {"not a date", kBefore},
      {"", kBefore},
      {"13/45/2014", kBefore},
  };
  for (const Case& c : cases) {
    program->state.lastUpdateDate = kBefore;
    Lines lines = Head();
    lines[13] = c.line;
    LoadLines(lines);
    EXPECT_EQ(program->state.lastUpdateDate, c.expected) << '"' << c.line << '"';
  }
}

TEST_F(SettingsTest, NeverSetDateIsSavedAsMidnightAndReadsBackAsZero) {
  program->state.lastUpdateDate = 0;
  SaveSettings(*program);
  EXPECT_NE(ReadAll(ConfigPath()).find("\r\n12:00:00 AM\r\n"), std::string::npos);
  program->state.lastUpdateDate = 777;
  LoadSettings(*program);
  EXPECT_EQ(program->state.lastUpdateDate, 0);
}

// config.txt is replaced whole, so a save that cannot complete keeps the previous file.
class RefusingPlatform : public FakePlatform {
 public:
  using FakePlatform::FakePlatform;
  bool ReplaceFile(const std::string&, const std::string&) override { return false; }
};

TEST_F(SettingsTest, RefusedReplaceLeavesOldFileAndUrlFieldAlone) {
  const std::string old = CrLfLines(kDefaultLines);
  WriteConfig(old);
  RefusingPlatform refusing(platform.appDataFolder, platform.tempFolder);
  Program other(refusing, desktop, desktop);
  other.state.dataFolder = DataFolder();
  LoadSettings(other);
  other.form.chkOffline.SetValue(1);

  SaveSettings(other);
  WriteDefaultSettings(other);
  EXPECT_EQ(ReadAll(ConfigPath()), old);
  EXPECT_EQ(other.form.txtExternalIPURL.Text(), CrLfLines({kDefaultLines.begin() + 14, kDefaultLines.end()}));
}

// A disk that fills up halfway through the save (works as root too, unlike a read-only folder).
TEST_F(SettingsTest, SaveThatRunsOutOfSpaceLeavesOldFileByteIdentical) {
  const std::string old = CrLfLines(kDefaultLines);
  WriteConfig(old);
  Form().txtDDNSusername.SetText(std::string(200, 'u'));
  Form().txtExternalIPURL.SetText("http://a/\r\n");

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 16;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  SaveSettings(*program);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(ReadAll(ConfigPath()), old);
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "http://a/\r\n");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(DataFolder())) ++files;
  EXPECT_EQ(files, 1u) << "the half-written temporary must be removed";
}

// Without a data folder nothing may land in whatever folder the program was started from.
TEST_F(SettingsTest, NoDataFolderMeansNoFile) {
  program->state.dataFolder.clear();
  Form().cmbDDNSservice.SetText("Mine");
  EXPECT_FALSE(WritesIntoCurrentFolder([&] {
    SaveSettings(*program);
    WriteDefaultSettings(*program);
  }));

  // Nor is a stray config.txt there taken for the settings.
  std::filesystem::path startFolder = std::filesystem::current_path();
  std::filesystem::current_path(temp.File("cwd"));
  WriteAll("config.txt", "1\r\nStranger\r\n");
  LoadSettings(*program);
  std::filesystem::current_path(startFolder);
  EXPECT_EQ(Form().cmbDDNSservice.Text(), "Mine");
  EXPECT_EQ(Form().chkUpdateDynDNS.Value(), 0);
}

}  // namespace
}  // namespace quorvane::testing
