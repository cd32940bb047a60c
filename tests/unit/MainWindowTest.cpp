#include <gtest/gtest.h>

#include <tuple>

#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

class MainWindowTest : public ProgramFixture {};

TEST_F(MainWindowTest, IntervalLostFocus) {
  // Text, minute count before, message (none: no box and the focus stays), minute count after; the new
  // count is rounded half to even ("3.5" gives 2.5 and so 2).
  const std::tuple<std::string, std::int16_t, std::string, std::int16_t> cases[] = {
      {"abc", 3, "Numbers only, please.", 3},
      {"", 3, "Numbers only, please.", 3},
      {"1", 3, "The minimum interval is 2 minutes.", 0},
      {"10", 3, "", 3},
      {"4", 4, "", 3},
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
    EXPECT_EQ(desktop.focused.size(), message.empty() ? 0u : 1u);
    EXPECT_EQ(program->state.minuteCount, after);
    EXPECT_EQ(program->form.txtInterval.Text(), text);  // never rewritten
  }
}

TEST_F(MainWindowTest, MoreLessTogglesBetweenCollapsedAndExpandedHeight) {
  program->state.collapsedHeight = 6045;
  desktop.height = 6045;
  frmMain& form = program->form;
  form.cmdDDNSmore_Click();
  EXPECT_EQ(desktop.height, 9645);
  EXPECT_EQ(form.cmdDDNSmore.Text(), "Less");
  std::int16_t index = 2;
  form.lblStatus_Click(index);
  EXPECT_EQ(desktop.height, 6045);
  EXPECT_EQ(form.cmdDDNSmore.Text(), "More...");
  desktop.height = 7000;  // any other height collapses
  form.cmdDDNSmore_Click();
  EXPECT_EQ(desktop.height, 6045);
}

}  // namespace
}  // namespace quorvane::testing
