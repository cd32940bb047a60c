#include "frontends/win32/Win32ChildStyle.h"

#include <commctrl.h>

#include "frontends/win32/Win32Handles.h"

namespace quorvane {

namespace {

// Room around a caption, in twips: between the check box's box and its text, and between a
// button's edge and its text on each side.
constexpr int kCheckGapTwips = 90;
constexpr int kButtonPaddingTwips = 120;

// A multi-line box in a window takes Tab as text; here Tab moves on, as in every other field.
LRESULT CALLBACK NoTabProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  LRESULT result = DefSubclassProc(box, message, wParam, lParam);
  if (message == WM_GETDLGCODE) result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
  if (message == WM_GETDLGCODE && lParam != 0 && reinterpret_cast<MSG*>(lParam)->wParam == VK_RETURN &&
      (GetWindowLongA(box, GWL_STYLE) & ES_READONLY) == 0)
    result |= DLGC_WANTMESSAGE;  // Enter starts a new line
  return result;
}

// A group box paints only its lines and caption: its area is filled with the brush its parent
// gives its caption (the panel's grey, the picture or the window's face).
LRESULT CALLBACK FillBehindProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message != WM_ERASEBKGND) return DefSubclassProc(frame, message, wParam, lParam);
  const auto dc = reinterpret_cast<HDC>(wParam);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(GetParent(frame), WM_CTLCOLORSTATIC, wParam, reinterpret_cast<LPARAM>(frame)));
  if (brush == nullptr) return DefSubclassProc(frame, message, wParam, lParam);
  RECT area;
  GetClientRect(frame, &area);
  FillRect(dc, &area, brush);
  return 1;
}

}  // namespace

ChildStyle StyleFor(const Control& control) {
  ChildStyle shown{"STATIC", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0};
  switch (control.Kind()) {
    case ControlKind::Label:
      shown.style |= SS_NOTIFY | SS_NOPREFIX | (control.Has(Role::Centred) ? SS_CENTER : SS_LEFT);
      break;
    case ControlKind::TextBox:
      shown.windowClass = "EDIT";
      shown.extendedStyle = WS_EX_CLIENTEDGE;
      shown.style |= WS_TABSTOP | ES_AUTOHSCROLL;
      if (control.Has(Role::MultiLine))
        shown.style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN;
      if (control.Has(Role::ReadOnly)) shown.style |= ES_READONLY;
      if (control.Has(Role::Centred)) shown.style |= ES_CENTER;
      if (control.Has(Role::Secret)) shown.style |= ES_PASSWORD;
      break;
    case ControlKind::CheckBox:
      shown.windowClass = "BUTTON";
      shown.style |= WS_TABSTOP | BS_AUTOCHECKBOX;
      break;
    case ControlKind::ComboBox:
      shown.windowClass = "COMBOBOX";
      shown.style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
      break;
    case ControlKind::Button:
      shown.windowClass = "BUTTON";
      shown.style |= WS_TABSTOP | BS_PUSHBUTTON;
      break;
    case ControlKind::Frame:  // a panel is filled when it is painted (FillBehind)
      shown.windowClass = "BUTTON";
      shown.style |= BS_GROUPBOX;
      break;
  }
  return shown;
}

void LetTabMoveOn(HWND box) {
  SetWindowSubclass(box, NoTabProc, 0, 0);
}

void FillBehind(HWND frame) {
  SetWindowSubclass(frame, FillBehindProc, 0, 0);
}

std::string WindowText(HWND handle) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(handle)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(handle, text.data(), static_cast<int>(text.size()))));
  return text;
}

int CaptionWidth(HWND child, ControlKind kind) {
  const WindowDc dc(child);
  const Selection font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
  const int dpi = GetDeviceCaps(dc.Get(), LOGPIXELSX);
  // A label shows "&" as it is; a button or check box underlines the letter after it instead.
  const UINT prefix = kind == ControlKind::Label ? DT_NOPREFIX : 0;
  RECT text{};
  DrawTextA(dc.Get(), WindowText(child).c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | prefix);
  if (kind == ControlKind::CheckBox)
    return text.right + GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(kCheckGapTwips, dpi, 1440);
  if (kind == ControlKind::Button) return text.right + 2 * MulDiv(kButtonPaddingTwips, dpi, 1440);
  return text.right;
}

}  // namespace quorvane
