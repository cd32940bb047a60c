#include "ui/win32/Win32Desktop.h"

#include <algorithm>
#include <cstring>

#include "app/Program.h"
#include "ui/win32/Win32Splash.h"

namespace quorvane {

namespace {

constexpr const char* kHookProperty = "Quorvane.TrayDesktop";
constexpr UINT_PTR kStopRetryTimer = 100;  // a stop that waits for a running check
constexpr UINT kStopRetryMs = 100;
constexpr UINT kFirstMenuId = 1;
// The tip field of the record's first form, whose size the icon is added with (the headers' own
// field is longer).
constexpr std::size_t kFirstTipSize = 64;

// A modal box of this thread (a message box a check waits on) is asked to close, so that the check
// can end and a stop can follow.
BOOL CALLBACK CloseDialog(HWND window, LPARAM) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "#32770") == 0) PostMessageA(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

}  // namespace

std::string ViewerCommandLine(const std::string& path) {
  return "notepad \"" + path + "\"";
}

Win32Desktop::Win32Desktop(HINSTANCE instance, NotifyIcon notifyIcon)
    : instance(instance), notifyIcon(std::move(notifyIcon)) {}

Win32Desktop::~Win32Desktop() {
  RemoveFromTray();
  if (trayMenu != nullptr) DestroyMenu(trayMenu);
}

UINT Win32Desktop::ShowRequestMessage() {
  return RegisterWindowMessageA("Brellisto.Quorvane.ShowWindow");  // the same number in every process
}

void Win32Desktop::Attach(Program& attached) {
  program = &attached;
  frmMain& form = program->form;
  heightTwips = frmMain::kLoadedHeight;
  window = std::make_unique<Win32MainWindow>(
      instance, form,
      Win32MainWindow::Handlers{[this] { StopProgram(); },
                                [this] {
                                  // The session ends: Windows ends the process once this returns.
                                  if (started && !program->busy && !program->form.unloaded)
                                    program->form.Form_Unload();
                                },
                                [this](UINT_PTR id) { Tick(id); },
                                [this](UINT message, WPARAM wParam) { return Received(message, wParam); }});
  form.AttachView(window.get());
  taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

  trayMenu = CreatePopupMenu();
  UINT id = kFirstMenuId;
  for (const TrayMenuItem& item : kTrayMenu)
    AppendMenuA(trayMenu, item.caption ? MF_STRING : MF_SEPARATOR, id++, item.caption);
}

void Win32Desktop::Started() {
  started = true;
  if (showWhenStarted) ShowFromTray();
}

void Win32Desktop::ShowFromTray() {
  if (stopped || Window() == nullptr) return;
  if (!started) {  // the start sequence hides the window once more: show it after that
    showWhenStarted = true;
    return;
  }
  ::ShowWindow(Window(), SW_SHOW);
  if (IsIconic(Window())) SetWindowState(program->form.restoreState);
  SetForegroundWindow(Window());
  SetFocus(Window());
}

void Win32Desktop::StopProgram() {
  if (stopped || Window() == nullptr) return;
  if (!started || program->busy) {
    // The start sequence, a check or an update is on the stack below a message box: let it end
    // first. Saving before the settings were read would write empty fields over them; saving in the
    // middle of a check would miss what it writes last.
    EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
    SetTimer(Window(), kStopRetryTimer, kStopRetryMs, nullptr);
    return;
  }
  stopped = true;
  if (!program->form.unloaded) program->form.Form_Unload();
  DestroyWindow(Window());
}

void Win32Desktop::Tick(UINT_PTR id) {
  if (id == kStopRetryTimer) {
    ::KillTimer(Window(), kStopRetryTimer);
    StopProgram();
    return;
  }
  const auto found = timers.find(id);
  if (found == timers.end()) return;
  const std::function<void()> procedure = found->second;  // the tick may kill its own timer
  procedure();
}

bool Win32Desktop::Received(UINT message, WPARAM) {
  if (message == ShowRequestMessage()) {
    ShowFromTray();
    return true;
  }
  return false;
}

void Win32Desktop::ShowSplash(const SplashText& text) {
  ShowSplashWindow(instance, text);
}

void Win32Desktop::ShowWindow() {
  ::ShowWindow(Window(), IsIconic(Window()) ? SW_RESTORE : SW_SHOW);
}

void Win32Desktop::HideWindow() {
  ::ShowWindow(Window(), SW_HIDE);
}

bool Win32Desktop::WindowVisible() {
  return IsWindowVisible(Window()) != FALSE;
}

WindowState Win32Desktop::GetWindowState() {
  if (IsIconic(Window())) return WindowState::Minimized;
  return IsZoomed(Window()) ? WindowState::Maximized : WindowState::Normal;
}

void Win32Desktop::SetWindowState(WindowState state) {
  HWND handle = Window();
  if (state == WindowState::Minimized) {
    if (!IsWindowVisible(handle)) return;
    ::ShowWindow(handle, SW_MINIMIZE);
    // With the icon in the tray, a minimized window leaves the task bar too, as the title bar's
    // minimize does.
    if (trayForm) ::ShowWindow(handle, SW_HIDE);
  } else if (IsIconic(handle) || IsZoomed(handle)) {
    if (IsWindowVisible(handle))
      ::ShowWindow(handle, state == WindowState::Maximized ? SW_MAXIMIZE : SW_RESTORE);
  }
}

void Win32Desktop::SetWindowHeight(int twips) {
  heightTwips = twips;
  const LONG style = GetWindowLongA(Window(), GWL_STYLE);
  RECT outer{0, 0, window->Pixels(kClientWidthTwips), window->Pixels(twips - kNonClientTwips)};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(style), FALSE, WS_EX_CONTROLPARENT);
  SetWindowPos(Window(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  window->SetExpanded(twips > frmMain::kLoadedHeight);
}

int Win32Desktop::WindowWidth() {
  return frmMain::kWidth;
}

void Win32Desktop::MoveWindow(int, int) {
  // Centred by the window's real size, which the caption and borders of this desktop decide.
  RECT outer;
  GetWindowRect(Window(), &outer);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  SetWindowPos(Window(), nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Desktop::ScreenWidth() {
  return window->Twips(GetSystemMetrics(SM_CXSCREEN));
}

int Win32Desktop::ScreenHeight() {
  return window->Twips(GetSystemMetrics(SM_CYSCREEN));
}

void Win32Desktop::SetCaption(const std::string& caption) {
  SetWindowTextA(Window(), caption.c_str());
}

void Win32Desktop::SetBackgroundPicture(const std::string& path) {
  window->SetBackground(path);
}

void Win32Desktop::FocusControl(const std::string& controlName) {
  if (HWND child = window->ChildOf(controlName)) SetFocus(child);
}

void Win32Desktop::MessageBox(const std::string& text, const std::string& title) {
  // Owned by the window only while it shows: a hidden owner would hide the box with it.
  ::MessageBoxA(IsWindowVisible(Window()) ? Window() : nullptr, text.c_str(), title.c_str(),
                MB_OK | MB_SETFOREGROUND);
}

bool Win32Desktop::SetClipboardText(const std::string& text) {
  if (!OpenClipboard(Window())) return false;
  bool placed = false;
  if (EmptyClipboard()) {
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
      std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
      GlobalUnlock(memory);
      placed = SetClipboardData(CF_TEXT, memory) != nullptr;
      if (!placed) GlobalFree(memory);
    }
  }
  CloseClipboard();
  return placed;
}

void Win32Desktop::OpenTextViewer(const std::string& path) {
  std::string commandLine = ViewerCommandLine(path);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

void Win32Desktop::OpenWebPage(const std::string& url) {
  ShellExecuteA(Window(), "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Desktop::AddToTray() {
  HWND handle = Window();
  if (handle == nullptr || trayForm) return;
  trayForm = true;
  SetPropA(handle, kHookProperty, this);
  oldWindowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Desktop::TrayWindowProc)));
  iconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  iconData.hWnd = handle;
  iconData.uID = 0;
  iconData.hIcon = window->Icon();
  iconData.uCallbackMessage = kTrayCallback;
  iconData.uFlags = NIF_MESSAGE | NIF_ICON;
  // Without a notification area the icon cannot be added: the window is then the only way in.
  if (!notifyIcon(NIM_ADD, &iconData)) ::ShowWindow(handle, SW_SHOW);
}

void Win32Desktop::SetTrayTip(const std::string& tip) {
  if (!trayForm) return;  // developer mode: no icon
  const std::size_t length = std::min(tip.size(), kFirstTipSize - 1);
  std::memset(iconData.szTip, 0, kFirstTipSize);
  std::memcpy(iconData.szTip, tip.data(), length);
  iconData.uFlags = NIF_TIP;
  notifyIcon(NIM_MODIFY, &iconData);
}

void Win32Desktop::RemoveFromTray() {
  if (!trayForm) return;
  iconData.uFlags = 0;
  notifyIcon(NIM_DELETE, &iconData);
  SetWindowLongPtrA(iconData.hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWindowProc));
  RemovePropA(iconData.hWnd, kHookProperty);
  trayForm = false;
}

void Win32Desktop::Warn(const std::string& message) {
  OutputDebugStringA((message + "\n").c_str());
}

void Win32Desktop::StartTimer(int id, int periodMs, std::function<void()> procedure) {
  timers[static_cast<UINT_PTR>(id)] = std::move(procedure);
  SetTimer(Window(), static_cast<UINT_PTR>(id), static_cast<UINT>(periodMs), nullptr);
}

void Win32Desktop::KillTimer(int id) {
  if (Window() != nullptr) ::KillTimer(Window(), static_cast<UINT_PTR>(id));
  timers.erase(static_cast<UINT_PTR>(id));
}

LRESULT CALLBACK Win32Desktop::TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<Win32Desktop*>(GetPropA(window, kHookProperty));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->TrayMessage(window, message, wParam, lParam);
}

LRESULT Win32Desktop::TrayMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC passOn = oldWindowProc;  // RemoveFromTray may run below and clear the hook
  if (message == WM_NCDESTROY) {
    RemoveFromTray();
  } else if (message == kTrayCallback) {
    if (lParam == WM_LBUTTONUP) {
      ShowFromTray();
      return 0;
    }
    if (lParam == WM_RBUTTONUP) {
      ShowTrayMenu();
      return 0;
    }
  } else if (message == WM_SYSCOMMAND) {
    if (wParam == SC_MINIMIZE) {
      ::ShowWindow(handle, SW_HIDE);
      return 0;
    }
    if (wParam == SC_RESTORE && !IsWindowVisible(handle)) {
      ::ShowWindow(handle, SW_SHOW);
      return 0;
    }
  } else if (message == taskbarCreated && trayForm) {
    // Explorer restarted and every icon is gone: add ours again, with its tip.
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyIcon(NIM_ADD, &iconData);
    return 0;
  }
  return CallWindowProcA(passOn, handle, message, wParam, lParam);
}

void Win32Desktop::ShowTrayMenu() {
  HWND handle = Window();
  SetForegroundWindow(handle);
  POINT at{};
  GetCursorPos(&at);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      trayMenu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, handle, nullptr));
  const std::size_t index = chosen - kFirstMenuId;  // 0 chosen (none) wraps past the end
  frmMain& form = program->form;
  if (index < std::size(kTrayMenu) && kTrayMenu[index].handler == &frmMain::mnuTrayQuit_Click) {
    // Chosen while the start or a check waits in a message box, the stop waits for it (and unloads).
    if (started && !program->busy) form.mnuTrayQuit_Click();
    StopProgram();
  } else if (index < std::size(kTrayMenu) && kTrayMenu[index].handler != nullptr) {
    (form.*kTrayMenu[index].handler)();
  }
  // After Quit the window is gone and nothing is posted to it.
  if (trayForm) PostMessageA(handle, WM_NULL, 0, 0);
}

}  // namespace quorvane
