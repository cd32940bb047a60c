#pragma once

#include <windows.h>
// The shell's headers build on the Windows headers.
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Session.h"
#include "frontends/win32/Win32Handles.h"

namespace quorvane {

// The message the tray icon sends to the main window; its lParam carries the mouse message.
inline constexpr UINT kTrayCallback = 2025;

// The notification-area icon of the main window, and the hook on the window's procedure that turns
// the icon's clicks into actions and a minimize into hiding the window.
class Win32Tray {
 public:
  using NotifyIcon = std::function<BOOL(DWORD operation, NOTIFYICONDATAA* record)>;

  // notifyIcon stands for Shell_NotifyIconA (tests watch the icon through it).
  explicit Win32Tray(NotifyIcon notifyIcon);
  ~Win32Tray() { Remove(); }
  Win32Tray(const Win32Tray&) = delete;
  Win32Tray& operator=(const Win32Tray&) = delete;

  // The popup menu's items and the left click's action.
  void SetActions(const std::vector<TrayMenuItem>& items, std::function<void()> leftClick);
  HMENU Menu() const { return menu.get(); }

  // Installs the hook and adds the icon; false when there is no notification area to take it.
  bool Add(HWND window, HICON icon);
  void SetTip(const std::string& tip);
  // A balloon from the icon with the program's icon in it; a click on it does what a left click does.
  void ShowBalloon(const std::string& title, const std::string& text);
  // Deletes the icon and puts the window's own procedure back; a second call does nothing.
  void Remove();
  bool Installed() const { return installed; }

 private:
  static LRESULT CALLBACK HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Hooked(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowMenu(HWND window);

  NotifyIcon notifyIcon;
  std::vector<TrayMenuItem> items;
  std::function<void()> leftClick;
  OwnedMenu menu;
  UINT taskbarCreated;
  WNDPROC oldWindowProc = nullptr;
  bool installed = false;
  NOTIFYICONDATAA iconData{};
};

}  // namespace quorvane
