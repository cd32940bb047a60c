#include "frontends/win32/Win32ToolTips.h"

#include <commctrl.h>

namespace quorvane {

Win32ToolTips::Win32ToolTips(HWND owner, HINSTANCE instance, int maxWidthPixels)
    : owner(owner),
      tips(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           0, 0, 0, 0, owner, nullptr, instance, nullptr)) {
  SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, maxWidthPixels);
}

void Win32ToolTips::Apply(const Control& control, HWND child) {
  const std::string& tip = control.ToolTip();
  const auto found = shown.find(&control);
  const bool added = found != shown.end();
  if (tips == nullptr || (added ? found->second == tip : tip.empty())) return;
  // A combo box's mouse messages go to the edit field inside it.
  HWND parts[2] = {child, nullptr};
  if (control.Kind() == ControlKind::ComboBox) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(child, &info)) parts[1] = info.hwndItem;
  }
  for (HWND part : parts) {
    if (part == nullptr) continue;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(part);
    tool.lpszText = const_cast<char*>(tip.c_str());
    SendMessageA(tips, added ? TTM_UPDATETIPTEXTA : TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  shown[&control] = tip;
}

}  // namespace quorvane
