// The Windows front end's tray icon, menu and window, watched from inside the process (run under Wine
// on a display by gui_session.sh). The model's own logic is tested in the core.
#include <gtest/gtest.h>

#include <vector>

#include "app/Program.h"
#include "fakes/FakePlatform.h"
#include "support/TempDir.h"
#include "ui/win32/Win32Desktop.h"

namespace quorvane::testing {
namespace {

class Win32FrontEndTest : public ::testing::Test {
 protected:
  // Every record handed to the notification area, and whether it accepts them.
  std::vector<std::pair<DWORD, NOTIFYICONDATAA>> notified;
  BOOL accepting = TRUE;
  TempDir temp;
  FakePlatform platform{temp.Path(), temp.Path() + "\\"};
  Win32Desktop desktop{GetModuleHandleA(nullptr), [this](DWORD operation, NOTIFYICONDATAA* record) {
                         notified.emplace_back(operation, *record);
                         return accepting;
                       }};
  Program program{platform, desktop, desktop};

  void Load() {
    desktop.Attach(program);
    program.state.startingUp = true;
    program.form.Form_Load();
    desktop.Started();
  }
  HWND Child(const Control& control) { return desktop.MainWindow().ChildOf(control.Name()); }
};

TEST_F(Win32FrontEndTest, TrayIconMenuAndRestartedExplorer) {
  Load();
  ASSERT_FALSE(notified.empty());
  const NOTIFYICONDATAA& added = notified.front().second;
  EXPECT_EQ(notified.front().first, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(added.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(added.uCallbackMessage, 2025u);
  EXPECT_EQ(added.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON));
  EXPECT_FALSE(IsWindowVisible(desktop.Window()));

  const std::vector<std::string> items = {"&Show/Hide", "&View Log", "&Check Now", "&Update Now",
                                          "",           "&About",    "&Quit"};
  ASSERT_EQ(GetMenuItemCount(desktop.TrayMenu()), static_cast<int>(items.size()));
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    char caption[32] = {};
    GetMenuStringA(desktop.TrayMenu(), static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
    EXPECT_EQ(caption, items[static_cast<std::size_t>(i)]);
  }

  // A tip longer than the record holds is cut, never overrun; after Explorer restarts the icon
  // comes back with it.
  const std::string tip = "External IP: 203.0.113.7\r\nInternal IP: 192.168.1.20" + std::string(40, 'x');
  desktop.SetTrayTip(tip);
  notified.clear();
  SendMessageA(desktop.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_EQ(notified[0].first, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(std::string(notified[0].second.szTip), tip.substr(0, 63));

  // The title bar's minimize leaves only the icon; the stop removes it and the hook.
  ShowWindow(desktop.Window(), SW_SHOW);
  SendMessageA(desktop.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsWindowVisible(desktop.Window()));
  program.ShutDown();
  EXPECT_EQ(notified.back().first, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(GetPropA(desktop.Window(), "Quorvane.TrayDesktop"), nullptr);
}

TEST_F(Win32FrontEndTest, WithoutNotificationAreaTheWindowShows) {
  accepting = FALSE;
  Load();
  EXPECT_TRUE(IsWindowVisible(desktop.Window()));
}

TEST_F(Win32FrontEndTest, FieldsFollowTheModelBothWays) {
  Load();
  frmMain& form = program.form;
  SetWindowTextA(Child(form.txtInterval), "17");  // as typed: the edit reports the change
  EXPECT_EQ(form.txtInterval.Text(), "17");
  EXPECT_EQ(SendMessageA(Child(form.txtDDNSpassword), EM_GETPASSWORDCHAR, 0, 0), '*');

  form.cmbDDNSmx.AddItem("NOCHG");
  EXPECT_EQ(SendMessageA(Child(form.cmbDDNSmx), CB_GETCOUNT, 0, 0), 1);

  // The options frame rules the fields inside it, whatever their own state.
  EXPECT_FALSE(IsWindowEnabled(Child(form.txtDDNSusername)));
  form.chkUpdateDynDNS.SetValue(1);
  EXPECT_TRUE(IsWindowEnabled(Child(form.txtDDNSusername)));
  EXPECT_TRUE(IsWindowEnabled(Child(form.cmbDDNSmx)));
  form.frameDDNSoptions.SetEnabled(false);
  EXPECT_TRUE(form.cmbDDNSmx.Enabled());
  EXPECT_FALSE(IsWindowEnabled(Child(form.cmbDDNSmx)));

  // A blank in the user's folder must not split the log's path for the viewer.
  EXPECT_EQ(ViewerCommandLine("C:\\Users\\Ann Lee\\AppData\\Local\\Quorvane\\ipchange.log"),
            "notepad \"C:\\Users\\Ann Lee\\AppData\\Local\\Quorvane\\ipchange.log\"");
}

// The close box before the start is over (a developer-mode message box holds it) must not save the
// empty fields: the stop waits until the start has run.
TEST_F(Win32FrontEndTest, CloseDuringTheStartWaitsForIt) {
  desktop.Attach(program);
  HWND window = desktop.Window();
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(program.form.unloaded);
  desktop.Started();
  for (int wait = 0; wait < 80 && IsWindow(window); ++wait) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(25);
  }
  EXPECT_TRUE(program.form.unloaded);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace quorvane::testing
