#include "settings/Settings.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "app/Calendar.h"
#include "settings/TextValue.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

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
};

// Each line has its control, whatever the line ends (LF or CR as editors elsewhere leave them, a
// byte-order mark, no end on the last line); blanks around texts go, tabs stay; saving writes CR LF.
TEST_F(SettingsTest, DefaultFileAndEveryLineWhateverItsEnd) {
  WriteDefaultSettings(*program);
  Lines saved = Head();
  saved.insert(saved.end(),
               {"http://api.ipify.org/", "http://myip.dnsomatic.com/", "http://checkip.dyndns.org/"});
  EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(saved));

  const Lines file = {"1",   "No Such DNS", "  me ", "\tpw", "a.org,b.org", "dyndns",    "", "NO", "OFF",
                      "YES", "15",          " 0 ",   " 1 ",  "3/7/2026",    "http://a/", "", " b "};
  saved = file;
  saved[0] = " 1 ", saved[2] = "me";
  const frmMain& f = Form();
  const Control* texts[] = {&f.cmbDDNSservice, &f.txtDDNSusername, &f.txtDDNSpassword, &f.txtDDNShostname,
                            &f.txtDDNSsystem,  &f.cmbDDNSmx,       &f.cmbDDNSbackMX,   &f.cmbDDNSwildcard,
                            &f.cmbDDNSoffline, &f.txtInterval};
  for (const std::string end : {"\r\n", "\r", "\n"}) {
    for (const std::string start : {"", "\xEF\xBB\xBF"}) {
      std::string content = start;
      for (const std::string& line : file) content += line + end;
      if (!start.empty()) content.resize(content.size() - end.size());
      LoadText(content);
      for (std::size_t i = 0; i < std::size(texts); ++i) EXPECT_EQ(texts[i]->Text(), saved[i + 1]);
      EXPECT_EQ(f.txtExternalIPURL.Text(), "http://a/\r\n\r\n b \r\n");
      EXPECT_EQ(Flags(), (std::vector{1, 0, 1}));
      EXPECT_EQ(program->state.lastUpdateDate, DayNumberFromDate(2026, 3, 7));
      SaveSettings(*program);
      EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(saved)) << "end " << end.size() << ", mark " << start;
    }
  }
  EXPECT_TRUE(f.cmbDDNSservice.Enabled());                       // the check box's change handler ran
  EXPECT_EQ(f.txtExternalIPURL.Text(), "http://a/\r\n\r\n b ");  // one trailing line end dropped
}

// Flag lines (1, 12, 13) set the box only for 1; a date line that is no date keeps the date.
// The URL list of a short file, or with other line ends.
TEST_F(SettingsTest, FlagAndDateLines) {
  constexpr std::int32_t kOld = 40000;
  const std::pair<std::string, int> flags[] = {{" 1 ", 1}, {"1", 1}, {"1.4", 1}, {" 0 ", 0}, {"abc", 0},
                                               {"", 0},    {"2", 0}, {"1.5", 0}, {"01", 1}};
  // clang-format off
  const std::pair<std::string, std::int32_t> dates[] = {{"12/31/2025", DayNumberFromDate(2025, 12, 31)},
      {"12:00:00 AM", 0}, {"not a date", kOld}, {"", kOld}, {"13/45/2014", kOld}, {"2/30/2024", kOld},
      {"2/29/1900", kOld}, {"2/29/2000", DayNumberFromDate(2000, 2, 29)},
      {"1/1/2014", DayNumberFromDate(2014, 1, 1)}};
  // clang-format on
  static_assert(std::size(flags) == std::size(dates));
  for (std::size_t i = 0; i < std::size(flags); ++i) {
    for (Control* box : {&Form().chkUpdateDynDNS, &Form().chkExcessiveLogging, &Form().chkOffline})
      box->SetValue(1);  // so that a clearing line is seen to clear
    program->state.lastUpdateDate = kOld;
    Lines lines = Head();
    lines[0] = lines[11] = lines[12] = flags[i].first;
    lines[13] = dates[i].first;
    LoadText(CrLfLines(lines));
    EXPECT_EQ(Flags(), std::vector(3, flags[i].second)) << '"' << flags[i].first << '"';
    EXPECT_EQ(program->state.lastUpdateDate, dates[i].second) << '"' << dates[i].first << '"';
  }
  SaveSettings(*program);  // a 14-line file grows an empty 15th line
  EXPECT_TRUE(ReadAll(ConfigPath()).ends_with("\r\n1/1/2014\r\n\r\n"));
  SetUrls("http://a/\nhttp://b/\n");  // a toolkit's own line ends are saved as CR LF
  SaveSettings(*program);
  EXPECT_TRUE(ReadAll(ConfigPath()).ends_with("\r\n1/1/2014\r\nhttp://a/\r\nhttp://b/\r\n"));
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
    SetUrls("http://a/");  // the check cycle drops the line end: no change
    file[2] = "new user", file[4] = "host.example", file[14] = "http://b/";
    WriteAll(ConfigPath(), CrLfLines(file));
    if (reloadFirst) ReloadSettings(*program);
    EXPECT_EQ(Form().txtDDNShostname.Text(), reloadFirst ? "host.example" : "");
    SaveSettings(*program);
    file[0] = file[11] = file[12] = " 0 ", file[13] = "3/7/2026";
    EXPECT_EQ(ReadAll(ConfigPath()), CrLfLines(file)) << reloadFirst;
  }
}

TEST(TextValueTest, LeadingNumberIsNumericAndRoundHalfEven) {
  // Text, its leading number, whether the whole text is one number.
  const double kInf = HUGE_VAL;
  const std::tuple<std::string, double, bool> cases[] = {
      {"", 0, false},     {"abc", 0, false},       {" 1 ", 1, true},  {"  12 min", 12, false},
      {"1 2", 12, false}, {"- 3.5x", -3.5, false}, {".5", 0.5, true}, {"1.2.3", 1.2, false},
      {"2D2", 200, true}, {"1e", 1, false},        {"\t1", 0, false}, {"-1e400", -kInf, true}};
  for (const auto& [text, leading, numeric] : cases) {
    EXPECT_DOUBLE_EQ(LeadingNumber(text), leading) << '"' << text << '"';
    EXPECT_EQ(IsNumeric(text), numeric) << '"' << text << '"';
  }
  const long kMax = std::numeric_limits<long>::max(), kMin = std::numeric_limits<long>::min();
  const std::pair<double, long> rounded[] = {{0.5, 0},   {1.5, 2},      {2.5, 2},       {-2.5, -2},
                                             {-2.6, -3}, {1e300, kMax}, {-1e300, kMin}, {std::nan(""), 0}};
  for (const auto& [value, expected] : rounded) EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

}  // namespace
}  // namespace quorvane::testing
