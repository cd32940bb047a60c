#include "frontends/win32/Win32Tray.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {

namespace {

constexpr const char* kHookProperty = "Quorvane.TrayDesktop";
constexpr UINT kFirstMenuId = 1;
// The tip field of the record's first form, whose size the icon is added with (the headers' own
// field is longer).
constexpr std::size_t kFirstTipSize = 64;

}  // namespace

Win32Tray::Win32Tray(NotifyIcon notifyIcon)
    : notifyIcon(std::move(notifyIcon)), taskbarCreated(RegisterWindowMessageA("TaskbarCreated")) {}

void Win32Tray::SetActions(const std::vector<TrayMenuItem>& menuItems,
                           std::function<void()> leftClickAction) {
  items = menuItems;
  leftClick = std::move(leftClickAction);
  menu.reset(CreatePopupMenu());
  UINT id = kFirstMenuId;
  for (const TrayMenuItem& item : items)
    AppendMenuA(menu.get(), item.caption.empty() ? MF_SEPARATOR : MF_STRING, id++, item.caption.c_str());
}

bool Win32Tray::Add(HWND window, HICON icon) {
  if (window == nullptr || installed) return installed;
  installed = true;
  SetPropA(window, kHookProperty, this);
  oldWindowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Tray::HookProc)));
  iconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  iconData.hWnd = window;
  iconData.uID = 0;
  iconData.hIcon = icon;
  iconData.uCallbackMessage = kTrayCallback;
  iconData.uFlags = NIF_MESSAGE | NIF_ICON;
  return notifyIcon(NIM_ADD, &iconData) != FALSE;
}

void Win32Tray::SetTip(const std::string& tip) {
  if (!installed) return;  // developer mode: no icon
  const std::size_t length = std::min(tip.size(), kFirstTipSize - 1);
  std::memset(iconData.szTip, 0, kFirstTipSize);
  std::memcpy(iconData.szTip, tip.data(), length);
  iconData.uFlags = NIF_TIP;
  notifyIcon(NIM_MODIFY, &iconData);
}

void Win32Tray::ShowBalloon(const std::string& title, const std::string& text) {
  if (!installed) return;
  NOTIFYICONDATAA balloon = iconData;  // the larger record that balloons need, for this call only
  balloon.cbSize = sizeof balloon;
  balloon.uFlags = NIF_INFO;
  std::snprintf(balloon.szInfoTitle, sizeof balloon.szInfoTitle, "%s", title.c_str());
  std::snprintf(balloon.szInfo, sizeof balloon.szInfo, "%s", text.c_str());
  balloon.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
  balloon.hBalloonIcon = iconData.hIcon;
  notifyIcon(NIM_MODIFY, &balloon);
}

void Win32Tray::Remove() {
  if (!installed) return;
  iconData.uFlags = 0;
  notifyIcon(NIM_DELETE, &iconData);
  SetWindowLongPtrA(iconData.hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldWindowProc));
  RemovePropA(iconData.hWnd, kHookProperty);
  installed = false;
}

LRESULT CALLBACK Win32Tray::HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<Win32Tray*>(GetPropA(window, kHookProperty));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->Hooked(window, message, wParam, lParam);
}

LRESULT Win32Tray::Hooked(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC passOn = oldWindowProc;  // Remove may run below and clear the hook
  if (message == WM_NCDESTROY) {
    Remove();
  } else if (message == kTrayCallback) {
    if (lParam == WM_LBUTTONUP || lParam == NIN_BALLOONUSERCLICK) {
      if (leftClick) leftClick();
      return 0;
    }
    if (lParam == WM_RBUTTONUP) {
      ShowMenu(window);
      return 0;
    }
  } else if (message == WM_SYSCOMMAND) {
    if (wParam == SC_MINIMIZE) {
      ShowWindow(window, SW_HIDE);
      return 0;
    }
    if (wParam == SC_RESTORE && !IsWindowVisible(window)) {
      ShowWindow(window, SW_SHOW);
      return 0;
    }
  } else if (message == taskbarCreated) {
    // Explorer restarted and every icon is gone: add ours again, with its tip.
    iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyIcon(NIM_ADD, &iconData);
    return 0;
  }
  return CallWindowProcA(passOn, window, message, wParam, lParam);
}

void Win32Tray::ShowMenu(HWND window) {
  SetForegroundWindow(window);
  POINT at{};
  GetCursorPos(&at);
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].checked)
      CheckMenuItem(menu.get(), kFirstMenuId + static_cast<UINT>(i),
                    MF_BYCOMMAND | (items[i].checked() ? MF_CHECKED : MF_UNCHECKED));
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr));
  const std::size_t index = chosen - kFirstMenuId;  // 0 chosen (none) wraps past the end
  // A copy, so that the action runs to its end whatever it does to the menu.
  if (index < items.size() && items[index].action) {
    const std::function<void()> action = items[index].action;
    action();
  }
  // After Quit the window is gone and nothing is posted to it.
  if (installed) PostMessageA(window, WM_NULL, 0, 0);
}

}  // namespace quorvane
