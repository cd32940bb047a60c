#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "ddns/ProviderCatalogue.h"
#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

using MainWindowTest = ProgramFixture;
using Items = std::vector<std::string>;

TEST_F(MainWindowTest, IntervalLostFocus) {
  // Text, minute count before, message (none: no box and the focus stays), minute count after; the new
  // count is rounded half to even ("3.5" gives 2.5 and so 2) and never below 0.
  const std::tuple<std::string, std::int16_t, std::string, std::int16_t> cases[] = {
      {"abc", 3, "Numbers only, please.", 3},
      {"1", 3, "The minimum interval is 2 minutes.", 0},
      {"10", 3, "", 3},
      {"-99999999", 3, "The minimum interval is 2 minutes.", 0},
      {" 4 ", 5, "", 3},
      {"3.5", 4, "", 2},
      {"4.5", 4, "", 4}};
  for (const auto& [text, before, message, after] : cases) {
    SCOPED_TRACE("interval text '" + text + "'");
    desktop.messages.clear();
    desktop.focused.clear();
    program->state.minuteCount = before;
    program->form.txtInterval.SetText(text);
    program->form.txtInterval_LostFocus();
    using Messages = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(desktop.messages, (message.empty() ? Messages{} : Messages{{message, "Quorvane 1.0.0"}}));
    EXPECT_EQ(desktop.focused, message.empty() ? Items{} : Items{"txtInterval"});
    EXPECT_EQ(program->state.minuteCount, after);
    EXPECT_EQ(program->form.txtInterval.Text(), text);  // never rewritten
  }
}

// The start sequence on a data folder holding ip.txt (no first run), in tray and in developer mode.
TEST_F(MainWindowTest, MainLoadsTheWindowChecksAndStartsTheTimer) {
  std::ofstream(DataFile("ip.txt"), std::ios::binary) << " 203.0.113.7 \r\n192.168.1.20\r\n";
  platform.computerName = "OFFICE PC ";
  StartProgram();
  frmMain& form = program->form;
  EXPECT_EQ(desktop.caption, "Quorvane 1.0.0");
  EXPECT_EQ(form.lblHostName.Text(), "OFFICE_PC_");
  EXPECT_FALSE(desktop.visible);
  EXPECT_EQ(desktop.trayAdds, 1);
  EXPECT_EQ(desktop.trayTips.front(), "External IP: 203.0.113.7\r\nInternal IP: 192.168.1.20");
  // The startup check ran at once (the empty URL list yields an empty address), and the timer runs.
  EXPECT_EQ(LogTexts(),
            (Items{"External IP 203.0.113.7 changed to ", "Internal IP 192.168.1.20 changed to "}));
  EXPECT_TRUE(platform.httpRequests.empty());  // a change, but updates are off
  EXPECT_FALSE(program->state.startingUp);
  EXPECT_EQ(desktop.timers[1].first, 60000);
  form.txtInterval.SetText("5");
  desktop.timers[1].second();  // a tick counts a minute
  EXPECT_EQ(program->state.minuteCount, 1);

  Items services;
  for (const ProviderEntry& entry : ProviderCatalogue()) services.push_back(entry.displayName);
  EXPECT_EQ(form.cmbDDNSservice.Items(), services);
  EXPECT_EQ(services.size(), 19u);
  EXPECT_TRUE(
      std::is_sorted(services.begin(), services.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return std::tolower(x) < std::tolower(y); });
      }));
  EXPECT_EQ(form.cmbDDNSmx.Items(), (Items{"", "NOCHG"}));
  EXPECT_EQ(form.cmbDDNSbackMX.Items(), (Items{"YES", "NO", "NOCHG"}));
  EXPECT_EQ(form.cmbDDNSwildcard.Items(), (Items{"ON", "OFF", "NOCHG"}));
  EXPECT_EQ(form.cmbDDNSoffline.Items(), (Items{"YES", "NO"}));

  // More... and the status line toggle between the height recorded at start and the expanded one.
  form.cmdDDNSmore_Click();
  EXPECT_EQ(std::make_pair(desktop.height, form.cmdDDNSmore.Text()),
            std::make_pair(9645, std::string("Less")));
  std::int16_t index = 2;
  form.lblStatus_Click(index);
  EXPECT_EQ(std::make_pair(desktop.height, form.cmdDDNSmore.Text()),
            std::make_pair(6045, std::string("More...")));

  // Quit runs the stop twice: one timer kill, one tray removal, config.txt written.
  form.mnuTrayQuit_Click();
  EXPECT_TRUE(form.unloaded);
  EXPECT_EQ(desktop.timerKills, 1);
  EXPECT_EQ(desktop.trayRemoves, 1);
  EXPECT_TRUE(std::filesystem::exists(DataFile("config.txt")));

  platform.computerName = "";
  StartProgram("-device");
  EXPECT_EQ(program->form.lblHostName.Text(), "Comp1");
  EXPECT_TRUE(desktop.visible);
  EXPECT_EQ(desktop.trayAdds, 1);
}

}  // namespace
}  // namespace quorvane::testing
