// The Windows front end from inside the process (run under Wine on a display by gui_session.sh). The
// model's own rules are tested in the app's unit tests; typing and clicking in the desktop session.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "frontends/win32/Win32Shell.h"

namespace quorvane::testing {
namespace {

class Win32FrontEndTest : public ::testing::Test {
 protected:
  std::vector<std::pair<DWORD, NOTIFYICONDATAA>> notified;  // every record handed to the tray
  std::vector<std::string> said;                            // message boxes the model asked for
  Win32Shell shell{GetModuleHandleA(nullptr), [this](DWORD operation, NOTIFYICONDATAA* record) {
                     return notified.emplace_back(operation, *record), TRUE;
                   }};
  MainWindowModel model{
      shell, {{}, {}, {}, {}, [this](const std::string& text) { said.push_back(text); }}, "Quorvane 1.0.0"};

  void SetUp() override {
    shell.Attach(model, {{{"&Quit", [this] { shell.Quit(); }, nullptr}}, [] {}, [] {}});
  }
  HWND Child(const Control& control) { return shell.MainWindow().ChildOf(control); }
  static void Pump() {
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
};

// The password is masked and the program's output cannot be edited, as the model marks them.
TEST_F(Win32FrontEndTest, WindowShowsTheModel) {
  for (Control* control : model.Controls()) {
    const HWND child = Child(*control);
    ASSERT_NE(child, nullptr) << control->Name();
    if (control->Kind() != ControlKind::TextBox) continue;
    EXPECT_EQ((GetWindowLongA(child, GWL_STYLE) & ES_READONLY) != 0, control->Has(Role::ReadOnly));
    EXPECT_EQ(SendMessageA(child, EM_GETPASSWORDCHAR, 0, 0), control->Has(Role::Secret) ? '*' : 0);
  }
  // The options show in the expanded window only; leaving a validated field runs its check once the
  // focus has settled, and the focus goes back.
  EXPECT_FALSE(IsWindowVisible(Child(model.ddnsLog)));
  shell.SetExpanded(true);
  EXPECT_TRUE(GetWindowLongA(Child(model.ddnsLog), GWL_STYLE) & WS_VISIBLE);

  ShowWindow(shell.Window(), SW_SHOW);
  SetForegroundWindow(shell.Window());
  SetFocus(Child(model.intervalBox));
  SetWindowTextA(Child(model.intervalBox), "abc");
  SetFocus(Child(model.echoUrls));
  Pump();
  EXPECT_EQ(said, std::vector<std::string>{"Numbers only, please."});
  EXPECT_EQ(GetFocus(), Child(model.intervalBox));
}

// At each DPI: captions fit, clear of boxes and edges; expanded low down, the window stays in the work area.
TEST_F(Win32FrontEndTest, CaptionsFitAndTheExpandedWindowStaysInTheWorkArea) {
  MONITORINFO monitor{sizeof monitor, {}, {}, 0};
  GetMonitorInfoA(MonitorFromWindow(shell.Window(), MONITOR_DEFAULTTONEAREST), &monitor);
  SetWindowPos(shell.Window(), nullptr, 0, monitor.rcWork.bottom - 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  shell.SetExpanded(true);
  RECT outer, inside, client;
  GetWindowRect(shell.Window(), &outer);
  EXPECT_TRUE(IntersectRect(&inside, &outer, &monitor.rcWork) && EqualRect(&inside, &outer));
  for (Control* control : model.Controls()) {
    const HWND child = Child(*control);
    const WindowDc dc(child);
    const Selection font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), control->Text().data(), static_cast<int>(control->Text().size()), &size);
    GetClientRect(child, &client);
    const int box = control->Kind() == ControlKind::CheckBox ? GetSystemMetrics(SM_CXMENUCHECK) : 0;
    const int edges = control->Kind() == ControlKind::Button ? 6 * GetSystemMetrics(SM_CXEDGE) : 0;
    if (control->Kind() == ControlKind::TextBox || control->Kind() == ControlKind::ComboBox) continue;
    EXPECT_TRUE(size.cx + box + edges <= client.right && size.cy <= client.bottom) << control->Name();
  }
}

// Tasks from other threads run on this one in the order posted; once the window is gone they are
// dropped and freed, never run.
TEST_F(Win32FrontEndTest, PostRunsTasksInOrderUntilTheWindowGoes) {
  std::vector<int> ran;
  std::thread([&] {
    for (int i : {0, 1, 2, 3}) shell.Post([&ran, i] { ran.push_back(i); });
  }).join();
  Pump();
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3}));

  auto held = std::make_shared<int>(0);
  shell.Post([held] { ++*held; });  // queued, not yet run
  shell.Quit();
  shell.Post([held] { ++*held; });  // after the window
  Pump();
  EXPECT_EQ(held.use_count(), 1);
  EXPECT_EQ(*held, 0);
}

// A tip longer than the record holds is cut, never overrun, and comes back with the icon after
// Explorer restarts; the title bar's minimize leaves only the icon; Quit removes it.
TEST_F(Win32FrontEndTest, TrayIconTipAndHook) {
  shell.AddToTray();
  const std::string tip = "External IP: 203.0.113.7\r\nInternal IP: 192.168.1.20" + std::string(40, 'x');
  shell.SetTrayTip(tip);
  notified.clear();
  SendMessageA(shell.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_EQ(notified[0].first, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(std::string(notified[0].second.szTip), tip.substr(0, 63));
  ShowWindow(shell.Window(), SW_SHOW);
  SendMessageA(shell.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsWindowVisible(shell.Window()));
  shell.Quit();
  EXPECT_EQ(notified.back().first, static_cast<DWORD>(NIM_DELETE));
}

}  // namespace
}  // namespace quorvane::testing
