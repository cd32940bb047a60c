#pragma once

#include <windows.h>
// The Shell's own MessageBox, not the ANSI/wide switch of the Windows headers.
#undef MessageBox

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowModel.h"
#include "frontends/win32/Win32Handles.h"
#include "frontends/win32/Win32ToolTips.h"

namespace quorvane {

// The main window on Win32: one child window per control of the window model, laid out in the
// model's order and painted and wired from each control's kind and roles. Every user edit goes into
// the model at once; every change the model announces repaints its child window.
class Win32MainWindow : public ControlObserver {
 public:
  static constexpr const char* kClassName = "QuorvaneMainWindow";
  // Messages the window procedure passes on to the front end.
  struct Handlers {
    std::function<void()> closing;                       // the close box
    std::function<void()> ending;                        // the Windows session ends
    std::function<bool(UINT, WPARAM, LPARAM)> received;  // other messages; true when handled
    std::function<void()> destroyed;                     // the window is going (WM_NCDESTROY)
  };

  Win32MainWindow(HINSTANCE instance, MainWindowModel& model, Handlers handlers);
  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  HWND Handle() const { return window; }
  HICON Icon() const { return smallIcon.get(); }
  void ControlChanged(const Control& control) override;
  HWND ChildOf(const Control& control) const;
  // Sizes the window with or without the options area, and shows or hides the fields that lie
  // there, so that the keyboard never reaches a field the collapsed window cuts off. Expanded, the
  // window stays inside the work area of its monitor: it moves up, and where it is still too tall,
  // the last field (the DDNS log) gives up the excess.
  void SetExpanded(bool expanded);
  // The picture drawn behind the controls, scaled to the window; false when it cannot be read.
  bool SetBackground(const std::string& path);

 private:
  struct Child {
    Control* control;
    HWND handle;
    RECT place;              // in client pixels
    int frameId = -1;        // the frame whose area holds it: its enabled state rules this one too
    bool inOptions = false;  // below the main area
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateChildren();
  HWND CreateChild(const Control& control, const RECT& place, int id);
  void Command(int id, int code, HWND from);
  void ControlLeft(int id);
  HBRUSH ColourStatic(HDC dc, HWND from);
  void PaintBackground(HDC dc);
  void ApplyEnabled(const Child& child);
  // A label, check box or button whose caption does not fit grows into the free room beside it,
  // rightwards first, never over a neighbour or past the edge of what holds it.
  void FitCaption(Child& child);
  const Child* Find(const Control& control) const;
  const Child* FindHandle(HWND handle) const;
  HFONT FontFor(const Control& control) const;
  int Pixels(int twips) const { return MulDiv(twips, dpi, 1440); }
  RECT PixelRect(int left, int top, int right, int bottom) const;

  MainWindowModel& model;
  Handlers handlers;
  HINSTANCE instance;
  HWND window = nullptr;
  std::unique_ptr<Win32ToolTips> toolTips;
  int dpi = 96;
  OwnedIcon bigIcon, smallIcon;
  GdiObject<HFONT> fonts[4];  // plain, bold, underlined, bold and underlined
  GdiObject<HBRUSH> panelBrush, pictureBrush;
  GdiObject<HBITMAP> picture;
  HBRUSH faceBrush = nullptr;     // a system brush: never deleted
  bool painting = false;          // a repaint from the model: the controls' change notices are not edits
  std::map<int, Child> children;  // by control id
  std::vector<RECT> panels;       // filled grey, in client pixels
};

}  // namespace quorvane
