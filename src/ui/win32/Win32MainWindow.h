#pragma once

#include <windows.h>
// The window model's own MessageBox, not the ANSI/wide switch of the Windows headers.
#undef MessageBox

#include <functional>
#include <map>
#include <string>

#include "ui/frmMain.h"

namespace quorvane {

// The client height that shows the main area only, and what the caption and borders add to it in the
// window model's heights.
inline constexpr int kCollapsedClientTwips = 5625;
inline constexpr int kNonClientTwips = frmMain::kLoadedHeight - kCollapsedClientTwips;
inline constexpr int kClientWidthTwips = 4965;

// The main window on Win32: one child window per control of the window model. Every user edit goes
// into the model at once; every change the model announces repaints its child window.
class Win32MainWindow : public FormView {
 public:
  static constexpr const char* kClassName = "QuorvaneMainWindow";
  // Messages the window procedure passes on to the front end.
  struct Handlers {
    std::function<void()> closing;               // the close box
    std::function<void()> ending;                // the Windows session ends
    std::function<void(UINT_PTR id)> timer;      // WM_TIMER
    std::function<bool(UINT, WPARAM)> received;  // other messages; true when handled
  };

  Win32MainWindow(HINSTANCE instance, frmMain& form, Handlers handlers);
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  HWND Handle() const { return window; }
  HICON Icon() const { return smallIcon; }
  void ControlChanged(const Control& control) override;
  HWND ChildOf(const std::string& controlName) const;
  // Shows or hides the extension area (the options frame and the DDNS log), so that the keyboard
  // never reaches a field the collapsed window cuts off.
  void SetExpanded(bool expanded);
  // The picture drawn behind the controls, scaled to the window; false when it cannot be read.
  bool SetBackground(const std::string& path);
  int Pixels(int twips) const { return MulDiv(twips, dpi, 1440); }
  int Twips(int pixels) const { return MulDiv(pixels, 1440, dpi); }

 private:
  struct Child {
    Control* control;
    HWND handle;
    RECT place;  // in client pixels
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateChildren();
  void Command(int id, int code, HWND from);
  HBRUSH ColourStatic(HDC dc, HWND from);
  void PaintBackground(HDC dc);
  void ApplyEnabled(const Child& child);
  void ApplyToolTip(const Child& child);
  const Child* Find(const Control& control) const;

  frmMain& form;
  Handlers handlers;
  HINSTANCE instance;
  HWND window = nullptr;
  HWND toolTips = nullptr;
  HICON bigIcon = nullptr, smallIcon = nullptr;
  HFONT font = nullptr, boldFont = nullptr, linkFont = nullptr;
  HBRUSH panelBrush = nullptr, faceBrush = nullptr, pictureBrush = nullptr;
  HBITMAP picture = nullptr;
  int dpi = 96;
  bool painting = false;          // a repaint from the model: the controls' change notices are not edits
  std::map<int, Child> children;  // by control id
  std::map<std::string, std::string> toolTipTexts;
  RECT panels[2]{};
};

}  // namespace quorvane
