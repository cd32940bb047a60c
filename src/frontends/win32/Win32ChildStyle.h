#pragma once

#include <windows.h>

#include <string>

#include "app/Control.h"

namespace quorvane {

// The Win32 window class and styles that show a control of this kind with these roles.
struct ChildStyle {
  const char* windowClass;
  DWORD style;
  DWORD extendedStyle;
};
ChildStyle StyleFor(const Control& control);

// Lets Tab move on from a multi-line box, and Enter start a new line in an editable one.
void LetTabMoveOn(HWND box);

// Fills a frame's area when it is erased, with the brush the parent gives for it.
void FillBehind(HWND frame);

std::string WindowText(HWND handle);

// The width in pixels that a label, check box or button needs to show its caption on one line, with
// room for the check box's box and the button's edges: measured with the font it shows, so at
// the current DPI.
int CaptionWidth(HWND child, ControlKind kind);

}  // namespace quorvane
