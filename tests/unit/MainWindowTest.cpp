#include <gtest/gtest.h>

#include "support/ProgramFixture.h"

namespace quorvane::testing {
namespace {

class MainWindowTest : public ProgramFixture {};

TEST_F(MainWindowTest, IntervalValidation) {
  struct Case {
    std::string text;
    std::int16_t minuteCountBefore;
    std::vector<std::string> messages;
    std::int16_t minuteCountAfter;
    bool focusBack;
  };
  const std::vector<Case> cases = {
      {"abc", 3, {"Numbers only, please."}, 3, true},
      {"", 3, {"Numbers only, please."}, 3, true},
      {"1", 3, {"The minimum interval is 2 minutes."}, 0, true},
      {"10", 3, {}, 3, false},
      {"4", 4, {}, 3, false},
      {" 4 ", 5, {}, 3, false},
      {"3.5", 4, {}, 2, false},  // 2.5 rounds to the even 2
      {"4.5", 4, {}, 4, false},  // 3.5 rounds to the even 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("interval text '" + c.text + "'");
    desktop.messages.clear();
    desktop.focused.clear();
    program->state.minuteCount = c.minuteCountBefore;
    program->form.txtInterval.SetText(c.text);
    program->form.txtInterval_LostFocus();
    std::vector<std::string> texts;
    for (const auto& [text, title] : desktop.messages) {
      texts.push_back(text);
      EXPECT_EQ(title, "Quorvane 1.0.0");
    }
    EXPECT_EQ(texts, c.messages);
    EXPECT_EQ(program->state.minuteCount, c.minuteCountAfter);
    EXPECT_EQ(!desktop.focused.empty(), c.focusBack);
    EXPECT_EQ(program->form.txtInterval.Text(), c.text);  // never rewritten
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

TEST_F(MainWindowTest, UpdateCheckBoxEnablesTheProviderFields) {
  frmMain& form = program->form;
  const std::vector<Control*> fields = {&form.cmbDDNSservice,  &form.txtDDNSusername,  &form.txtDDNSpassword,
                                        &form.txtDDNShostname, &form.frameDDNSoptions, &form.cmdDDNSmore};
  for (Control* c : fields) EXPECT_FALSE(c->Enabled()) << c->Name();
  form.chkUpdateDynDNS.SetValue(1);
  for (Control* c : fields) EXPECT_TRUE(c->Enabled()) << c->Name();
  form.chkUpdateDynDNS.SetValue(2);  // neither on nor off: nothing changes
  for (Control* c : fields) EXPECT_TRUE(c->Enabled()) << c->Name();
  form.chkUpdateDynDNS.SetValue(0);
  for (Control* c : fields) EXPECT_FALSE(c->Enabled()) << c->Name();
  EXPECT_TRUE(form.cmdUploadNow.Enabled());
}

TEST_F(MainWindowTest, CopyButtonsAndLogViewer) {
  frmMain& form = program->form;
  form.txtExternalIP.SetText("203.0.113.7");
  form.txtInternalIP.SetText("192.168.1.20");
  form.cmdCopyExtIP_Click();
  EXPECT_EQ(desktop.clipboard, "203.0.113.7");
  form.cmdCopyIntIP_Click();
  EXPECT_EQ(desktop.clipboard, "192.168.1.20");
  desktop.clipboardWorks = false;
  form.cmdCopyExtIP_Click();  // a refused clipboard is no error
  form.lblViewIPChangeLog_Click();
  EXPECT_EQ(desktop.openedFiles, std::vector<std::string>{DataFile("ipchange.log")});
}

TEST_F(MainWindowTest, DdnsLogCaretFollowsTheText) {
  program->form.txtSMTPlog.SetText("\r\nDDNS Update: host/path\r\n");
  EXPECT_EQ(program->form.txtSMTPlogSelStart, program->form.txtSMTPlog.Text().size());
}

TEST_F(MainWindowTest, ShowHideMinimizesAVisibleWindowAndRestoresAHiddenOne) {
  desktop.visible = true;
  desktop.state = WindowState::Normal;
  program->form.mnuTrayShowHide_Click();
  EXPECT_EQ(desktop.state, WindowState::Minimized);
  desktop.visible = false;
  program->form.mnuTrayShowHide_Click();
  EXPECT_EQ(desktop.state, WindowState::Normal);
  EXPECT_TRUE(desktop.visible);
}

}  // namespace
}  // namespace quorvane::testing
