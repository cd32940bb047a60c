#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "app/Control.h"

namespace quorvane {

// The tool tips of a window's fields: one tip window, owned by the window and destroyed with it.
class Win32ToolTips {
 public:
  Win32ToolTips(HWND owner, HINSTANCE instance, int maxWidthPixels);
  // Shows the control's tip over its child window (a combo box's edit field too).
  void Apply(const Control& control, HWND child);

 private:
  HWND owner;
  HWND tips;
  std::map<const Control*, std::string> shown;  // the controls that have a tool, with its text
};

}  // namespace quorvane
