#include "settings/Settings.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/Calendar.h"
#include "log/ChangeLog.h"
#include "support/ProgramFixture.h"
#include "ui/console/ConsoleDesktop.h"

namespace quorvane::testing {
namespace {

using Lines = std::vector<std::string>;

std::string CrLfLines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The default file's first 14 lines (no URLs), for tests that vary one of them.
Lines Head() {
  return {"0", "DNS-O-Matic", "", "", "", "", "NOCHG", "NOCHG", "ON", "NO", "5", "0", "0", "1/1/2014"};
}

// Runs fn with files limited to limit bytes, as a disk that fills up: writes beyond it fail.
template <typename Fn>
void WithFileSizeLimit(rlim_t limit, Fn fn) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  const rlimit small{limit, saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  fn();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
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

TEST_F(SettingsTest, DefaultFileAndEveryLineSavedBackUnchanged) {
  WriteDefaultSettings(*program);
  Lines defaults = Head();
  defaults.insert(defaults.end(),
                  {"http://api.ipify.org/", "http://myip.dnsomatic.com/", "http://checkip.dyndns.org/"});
  EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(defaults));

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

// Files saved by editors elsewhere: LF line ends, a byte-order mark, no end on the last line.
TEST_F(SettingsTest, LinesEndAtCrLfCrOrLfAfterAnyByteOrderMarkAndAreSavedWithCrLf) {
  const Lines file = {"1", "  No Such DNS  ", "  user name ", "\tpw\t"};
  const Lines saved = {" 1 ", "No Such DNS", "user name", "\tpw\t",      "", "", "", "", "", "",
                       "",    " 0 ",         " 0 ",       "12:00:00 AM", ""};
  for (const std::string end : {"\r\n", "\r", "\n"}) {
    for (const std::string start : {"", "\xEF\xBB\xBF"}) {
      std::string content = start;
      for (const std::string& line : file) content += line + end;
      if (!start.empty()) content.resize(content.size() - end.size());
      Form().txtDDNShostname.SetText("stale");  // lines missing from a short file read empty
      LoadText(content);
      EXPECT_EQ(Flags(), (std::vector{1, 0, 0}));
      SaveSettings(*program);
      EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(saved)) << "end " << end.size() << ", mark " << start;
    }
  }
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
  SetUrls("http://a/\nhttp://b/\n");  // a toolkit's own line ends are saved as CR LF
  EXPECT_EQ(SaveAndReloadUrls(), "http://a/\r\nhttp://b/\r\n");
}

TEST_F(SettingsTest, DateLine) {
  constexpr std::int32_t kOld = 40000;
  const std::int32_t kLater = DayNumberFromDate(2025, 12, 31);
  const std::pair<std::string, std::int32_t> cases[] = {
      {"12/31/2025", kLater}, {"12:00:00 AM", 0},  {"not a date", kOld}, {"", kOld},
      {"13/45/2014", kOld},   {"2/30/2024", kOld}, {"1/1/0999", kOld}};  // written back as 1/1/999
  for (const auto& [line, expected] : cases) {
    program->state.lastUpdateDate = kOld;
    Lines lines = Head();
    lines[13] = line;
    LoadText(CrLfLines(lines));
    EXPECT_EQ(program->state.lastUpdateDate, expected) << '"' << line << '"';
  }
}

TEST_F(SettingsTest, SaveThatFailsHalfWayLeavesOldFileByteIdentical) {
  const std::string old = CrLfLines(Head());
  WriteAll(ConfigPath(), old);
  Form().txtExternalIPURL.SetText("http://a/\r\n");
  WithFileSizeLimit(16, [&] { SaveSettings(*program); });
  EXPECT_EQ(ReadAll(ConfigPath()), old);
  EXPECT_EQ(Form().txtExternalIPURL.Text(), "http://a/\r\n");  // trimmed only after a good save
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(DataFolder()), {}), 1)
      << "temporary left behind";
}

// The file is edited while the program runs, which meanwhile dates an update and switches updates off
// after "badsys": a reload (SIGHUP) or the stop takes the edits in and keeps the program's changes.
TEST_F(SettingsTest, EditsOnDiskAreTakenInAndTheProgramsOwnChangesStay) {
  for (const bool reloadFirst : {true, false}) {
    Lines file = Head();
    file[0] = "1", file[2] = "old user";
    file.push_back("http://a/");
    LoadText(CrLfLines(file));
    program->state.lastUpdateDate = DayNumberFromDate(2026, 3, 7);
    Form().chkUpdateDynDNS.SetValue(0);
    Form().txtExternalIPURL.SetText("http://a/");  // the check cycle drops the line end: no change
    file[2] = "new user", file[4] = "host.example", file[14] = "http://b/";
    WriteAll(ConfigPath(), CrLfLines(file));
    if (reloadFirst) {
      ReloadSettings(*program);
      EXPECT_EQ(Form().txtDDNShostname.Text(), "host.example");
    }
    SaveSettings(*program);
    file[0] = " 0 ", file[11] = file[12] = " 0 ", file[13] = "3/7/2026";
    EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(file)) << reloadFirst;
  }
}

TEST(ConsoleTest, HangUpSignalReloadsAndDoesNotStop) {
  sigset_t before;
  ASSERT_EQ(sigprocmask(SIG_SETMASK, nullptr, &before), 0);
  ASSERT_TRUE(ConsoleDesktop::BlockStopSignals());
  ConsoleDesktop console(stdout, stderr);
  int reloads = 0;
  console.SetReloadHandler([&reloads] { raise(++reloads < 2 ? SIGHUP : SIGTERM); });
  raise(SIGHUP);
  EXPECT_TRUE(console.RunLoop());
  EXPECT_EQ(reloads, 2);
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  const timespec now{};
  sigtimedwait(&term, nullptr, &now);  // the stop request, if the loop left it pending
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

// A save killed half-way leaves a hidden temporary holding the password; the next start removes it.
TEST_F(SettingsTest, StartRemovesOnlyOurStaleTemporaries) {
  const std::filesystem::path folder = DataFolder();
  for (const char* name : {".config.txt.Ab12Cd", ".ip.txt.000000", ".config.txt.Ab12C", "config.txt.Ab12Cd",
                           ".config.txt.Ab12C!", ".foreign.Ab12Cd"})
    WriteAll(folder / name, "password");
  std::filesystem::create_directory(folder / ".ip.txt.Zz99Yy");
  std::filesystem::create_symlink("config.txt.Ab12Cd", folder / ".ip.txt.Qq11Ww");
  const bool foreign = chown((folder / ".foreign.Ab12Cd").c_str(), getuid() + 1, -1) == 0;
  StartProgram();
  for (const char* gone : {".config.txt.Ab12Cd", ".ip.txt.000000"}) EXPECT_FALSE(exists(folder / gone));
  for (const char* kept :
       {".config.txt.Ab12C", "config.txt.Ab12Cd", ".config.txt.Ab12C!", ".ip.txt.Zz99Yy", ".ip.txt.Qq11Ww"})
    EXPECT_TRUE(exists(symlink_status(folder / kept))) << kept;
  EXPECT_EQ(exists(folder / ".foreign.Ab12Cd"), foreign);
}

class ChangeLogTest : public ProgramFixture {};

// A provider's answer may hold line ends and a forged date: one event always stays one line.
TEST_F(ChangeLogTest, LineIsDateTimeColonTextWithControlCharactersShown) {
  const std::tuple<LocalDateTime, std::string, std::string> cases[] = {
      {{2026, 3, 7, 21, 5, 9}, "Program startup.", "03-07-2026 21:05:09: Program startup."},
      {{2026, 3, 7, 21, 5, 9}, "", "03-07-2026 21:05:09: "},
      {{999, 1, 2, 3, 4, 5}, "x: y", "01-02-0999 03:04:05: x: y"},
      {{2026, 3, 7, 21, 5, 9},
       "good\r\n03-07-2026 21:05:10: forged\n",
       "03-07-2026 21:05:09: good\\r\\n03-07-2026 21:05:10: forged\\n"},
      {{2026, 3, 7, 21, 5, 9},
       "a\tb\x01\x1f\x7f\\c\xe9",
       "03-07-2026 21:05:09: a\\tb\\x01\\x1F\\x7F\\c\xe9"}};
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

TEST_F(ChangeLogTest, ALineThatDoesNotFitOnTheDiskLeavesNoPart) {
  LogEvent(*program, "first");
  const auto size = std::filesystem::file_size(DataFile("ipchange.log"));
  WithFileSizeLimit(size + 10, [&] { LogEvent(*program, "a line that does not fit"); });
  LogEvent(*program, "third");
  EXPECT_EQ(LogTexts(), (Lines{"first", "third"}));
}

TEST_F(ChangeLogTest, ChangeLinesNameOldAndNewAddress) {
  program->form.txtExternalIP.SetText("198.51.100.4");
  program->state.lastInternalIP = "192.168.1.10";
  program->form.txtInternalIP.SetText("192.168.1.11");
  LogExternalIPChange(*program);
  LogInternalIPChange(*program);
  EXPECT_EQ(LogTexts(), (Lines{"External IP  changed to 198.51.100.4",  // no old address yet
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
