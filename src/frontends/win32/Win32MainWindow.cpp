#include "frontends/win32/Win32MainWindow.h"

#include <algorithm>
#include <iterator>

#include "frontends/win32/Win32ChildStyle.h"
#include "frontends/win32/Win32Layout.h"
#include "frontends/win32/Win32Picture.h"
#include "frontends/win32/resource.h"

namespace quorvane {

namespace {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send
constexpr COLORREF kPanelGrey = RGB(224, 224, 224);
// Posted when a Validated field has lost the focus (wParam: its id): checked once the focus has
// settled, so that the check sees where it went.
constexpr UINT kControlLeft = WM_APP + 1;
constexpr WORD kArrowCursor = 32512;  // IDC_ARROW
constexpr WORD kHandCursor = 32649;   // IDC_HAND

bool Inside(const RECT& inner, const RECT& outer) {
  RECT overlap;
  return IntersectRect(&overlap, &inner, &outer) && EqualRect(&overlap, &inner);
}

HFONT DerivedFont(const LOGFONTA& base, bool bold, bool underline) {
  LOGFONTA font = base;
  if (bold) font.lfWeight = FW_BOLD;
  font.lfUnderline = underline ? TRUE : FALSE;
  return CreateFontIndirectA(&font);
}

HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUORVANE), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), 0));
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, MainWindowModel& model, Handlers handlers)
    : model(model), handlers(std::move(handlers)), instance(instance) {
  dpi = GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSY);
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  for (int style = 0; style < 4; ++style)
    fonts[style].reset(DerivedFont(metrics.lfMessageFont, (style & 1) != 0, (style & 2) != 0));
  panelBrush.reset(CreateSolidBrush(kPanelGrey));
  faceBrush = GetSysColorBrush(COLOR_BTNFACE);
  bigIcon.reset(LoadProgramIcon(instance, SM_CXICON, SM_CYICON));
  smallIcon.reset(LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON));
  for (const RECT& panel : kPanelTwips)
    panels.push_back(PixelRect(panel.left, panel.top, panel.right, panel.bottom));

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = bigIcon.get();
  windowClass.hIconSm = smallIcon.get();
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(kArrowCursor));
  windowClass.lpszClassName = kClassName;
  RegisterClassExA(&windowClass);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, Pixels(kClientWidthTwips), Pixels(kCollapsedClientTwips)};
  AdjustWindowRectEx(&outer, style, FALSE, WS_EX_CONTROLPARENT);
  CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, model.Title().c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
  if (window == nullptr) return;
  toolTips = std::make_unique<Win32ToolTips>(window, instance, Pixels(5000));
  CreateChildren();
  SetExpanded(false);
}

Win32MainWindow::~Win32MainWindow() {
  if (window != nullptr) DestroyWindow(window);
  UnregisterClassA(kClassName, instance);
}

RECT Win32MainWindow::PixelRect(int left, int top, int right, int bottom) const {
  return RECT{Pixels(left), Pixels(top), Pixels(right), Pixels(bottom)};
}

HFONT Win32MainWindow::FontFor(const Control& control) const {
  // A link shows underlined; emphasis is bold.
  return fonts[(control.Has(Role::Emphasised) ? 1 : 0) + (control.Has(Role::Link) ? 2 : 0)].get();
}

HWND Win32MainWindow::CreateChild(const Control& control, const RECT& place, int id) {
  const ChildStyle shown = StyleFor(control);
  int height = place.bottom - place.top;
  if (control.Kind() == ControlKind::ComboBox) height += Pixels(kDropDownTwips);
  HWND child = CreateWindowExA(shown.extendedStyle, shown.windowClass, "", shown.style, place.left, place.top,
                               place.right - place.left, height, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control)), FALSE);
  if (control.Has(Role::Secret)) SendMessageA(child, EM_SETPASSWORDCHAR, '*', 0);
  if (control.Has(Role::MultiLine)) LetTabMoveOn(child);
  if (control.Kind() == ControlKind::Frame) FillBehind(child);
  return child;
}

void Win32MainWindow::CreateChildren() {
  const std::vector<Control*> controls = model.Controls();
  int id = kFirstControlId;
  for (std::size_t index = 0; index < controls.size(); ++index, ++id) {
    // A control the layout has no place for is not shown (a newer model than this front end).
    if (index >= std::size(kPlaces)) break;
    const Place& at = kPlaces[index];
    Child child{controls[index], nullptr, PixelRect(at.x, at.y, at.x + at.width, at.y + at.height)};
    child.inOptions = at.y >= kCollapsedClientTwips;
    child.handle = CreateChild(*child.control, child.place, id);
    children[id] = child;
  }
  // A frame lies under the fields it holds (a child window created later would go under it).
  for (const auto& [id, child] : children)
    if (child.control->Kind() == ControlKind::Frame)
      SetWindowPos(child.handle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (auto& [id, child] : children)
    for (const auto& [frameId, frame] : children)
      if (frameId != id && frame.control->Kind() == ControlKind::Frame && Inside(child.place, frame.place))
        child.frameId = frameId;
  for (const auto& [id, child] : children) ControlChanged(*child.control);
}

const Win32MainWindow::Child* Win32MainWindow::Find(const Control& control) const {
  for (const auto& [id, child] : children)
    if (child.control == &control) return &child;
  return nullptr;
}

const Win32MainWindow::Child* Win32MainWindow::FindHandle(HWND handle) const {
  for (const auto& [id, child] : children)
    if (child.handle == handle) return &child;
  return nullptr;
}

HWND Win32MainWindow::ChildOf(const Control& control) const {
  const Child* child = Find(control);
  return child != nullptr ? child->handle : nullptr;
}

void Win32MainWindow::ApplyEnabled(const Child& child) {
  bool enabled = child.control->Enabled();
  if (const auto frame = children.find(child.frameId); frame != children.end())
    enabled = enabled && frame->second.control->Enabled();
  EnableWindow(child.handle, enabled ? TRUE : FALSE);
}

void Win32MainWindow::ControlChanged(const Control& control) {
  const Child* child = Find(control);
  if (child == nullptr) return;
  painting = true;
  HWND handle = child->handle;
  if (control.Kind() == ControlKind::ComboBox) {
    const auto& items = control.Items();
    for (auto count = static_cast<std::size_t>(SendMessageA(handle, CB_GETCOUNT, 0, 0)); count < items.size();
         ++count)
      SendMessageA(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[count].c_str()));
  }
  // Equal text is left alone, so that the caret stays where the user types.
  if (WindowText(handle) != control.Text()) {
    SetWindowTextA(handle, control.Text().c_str());
    FitCaption(children.at(GetDlgCtrlID(handle)));
  }
  if (control.Kind() == ControlKind::CheckBox) {
    const WPARAM state = control.Value() == 1   ? BST_CHECKED
                         : control.Value() == 2 ? BST_INDETERMINATE
                                                : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageA(handle, BM_GETCHECK, 0, 0)) != state)
      SendMessageA(handle, BM_SETCHECK, state, 0);
  }
  if (control.Has(Role::FollowsEnd)) {  // the newest lines stay in view
    const auto end = static_cast<WPARAM>(GetWindowTextLengthA(handle));
    SendMessageA(handle, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(handle, EM_SCROLLCARET, 0, 0);
  }
  ApplyEnabled(*child);
  if (control.Kind() == ControlKind::Frame)
    for (const auto& [id, inside] : children)
      if (inside.frameId == GetDlgCtrlID(handle)) ApplyEnabled(inside);
  toolTips->Apply(control, handle);
  if (control.Kind() == ControlKind::Label) InvalidateRect(handle, nullptr, TRUE);  // its colour
  painting = false;
}

void Win32MainWindow::FitCaption(Child& child) {
  const ControlKind kind = child.control->Kind();
  if (kind != ControlKind::Label && kind != ControlKind::CheckBox && kind != ControlKind::Button) return;
  RECT& place = child.place;
  LONG missing = CaptionWidth(child.handle, kind) - (place.right - place.left);
  if (missing <= 0) return;
  const auto holder = children.find(child.frameId);
  const RECT edge =
      holder != children.end() ? holder->second.place : RECT{0, 0, Pixels(kClientWidthTwips), 0};
  LONG leftmost = edge.left + Pixels(kEdgeMarginTwips), rightmost = edge.right - Pixels(kEdgeMarginTwips);
  for (const auto& [id, other] : children) {  // the neighbours on its row
    if (&other == &child || id == child.frameId || other.place.top >= place.bottom ||
        other.place.bottom <= place.top)
      continue;
    if (other.place.left >= place.right)
      rightmost = std::min(rightmost, other.place.left - Pixels(kNeighbourGapTwips));
    else if (other.place.right <= place.left)
      leftmost = std::max(leftmost, other.place.right + Pixels(kNeighbourGapTwips));
  }
  const int right = std::clamp(place.right + missing, place.right, std::max(place.right, rightmost));
  missing -= right - place.right;
  place.right = right;
  place.left = std::clamp(place.left - missing, std::min(place.left, leftmost), place.left);
  MoveWindow(child.handle, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

void Win32MainWindow::SetExpanded(bool expanded) {
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  RECT outer{0, 0, Pixels(kClientWidthTwips),
             Pixels(expanded ? kExpandedClientTwips : kCollapsedClientTwips)};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(style), FALSE, WS_EX_CONTROLPARENT);
  int height = outer.bottom - outer.top;
  RECT at;
  GetWindowRect(window, &at);
  const bool placed = !IsIconic(window);  // a minimized window's place is not on the screen
  if (expanded && placed && !children.empty()) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    Child& log = children.rbegin()->second;
    const Place& laid = kPlaces[children.size() - 1];
    const int fullBottom = Pixels(laid.y + laid.height);
    const int spare = std::max(0, fullBottom - Pixels(laid.y + kShortestLogTwips));
    const int shrink = std::clamp(height - static_cast<int>(work.bottom - work.top), 0, spare);
    height -= shrink;
    log.place.bottom = fullBottom - shrink;
    MoveWindow(log.handle, log.place.left, log.place.top, log.place.right - log.place.left,
               log.place.bottom - log.place.top, TRUE);
    at.top = std::max(work.top, std::min(at.top, work.bottom - height));
  }
  SetWindowPos(window, nullptr, at.left, at.top, outer.right - outer.left, height,
               SWP_NOZORDER | SWP_NOACTIVATE | (placed ? 0 : SWP_NOMOVE));
  for (const auto& [id, child] : children)
    if (child.inOptions) ShowWindow(child.handle, expanded ? SW_SHOWNA : SW_HIDE);
}

bool Win32MainWindow::SetBackground(const std::string& path) {
  // Scaled to the expanded window once; the collapsed window shows its upper part.
  GdiObject<HBITMAP> rendered = RenderPicture(path, Pixels(kClientWidthTwips), Pixels(kExpandedClientTwips));
  if (!rendered) return false;
  GdiObject<HBRUSH> brush(CreatePatternBrush(rendered.get()));
  if (!brush) return false;
  pictureBrush = std::move(brush);
  picture = std::move(rendered);
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

void Win32MainWindow::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, pictureBrush ? pictureBrush.get() : faceBrush);
  for (const RECT& panel : panels) FillRect(dc, &panel, panelBrush.get());
}

// Labels and check boxes take the colour of what lies behind them: a panel, the picture or the
// window; the read-only boxes stay white like the editable ones; a label has the model's colour.
HBRUSH Win32MainWindow::ColourStatic(HDC dc, HWND from) {
  const Child* child = FindHandle(from);
  if (child == nullptr) return nullptr;
  const Control& control = *child->control;
  if (control.Kind() == ControlKind::TextBox) {
    if (!control.Has(Role::ReadOnly) || !IsWindowEnabled(from))
      return nullptr;  // disabled: the system's grey
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }
  const Rgb colour = control.Colour();
  SetTextColor(
      dc, IsWindowEnabled(from) ? RGB(colour.red, colour.green, colour.blue) : GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  for (const RECT& panel : panels)
    if (Inside(child->place, panel)) return panelBrush.get();
  if (!pictureBrush) return faceBrush;
  SetBrushOrgEx(dc, -child->place.left, -child->place.top, nullptr);
  return pictureBrush.get();
}

void Win32MainWindow::Command(int id, int code, HWND from) {
  const auto found = children.find(id);
  if (found == children.end() || painting) return;
  Control& control = *found->second.control;
  switch (control.Kind()) {
    case ControlKind::TextBox:
      if (code == EN_CHANGE) control.Edit(WindowText(from));
      if (code == EN_KILLFOCUS && control.Has(Role::Validated)) PostMessageA(window, kControlLeft, id, 0);
      return;
    case ControlKind::ComboBox:
      if (code == CBN_EDITCHANGE) control.Edit(WindowText(from));
      if (code == CBN_SELCHANGE) {
        const LRESULT index = SendMessageA(from, CB_GETCURSEL, 0, 0);
        if (index >= 0 && static_cast<std::size_t>(index) < control.Items().size())
          control.Edit(control.Items()[static_cast<std::size_t>(index)]);
      }
      return;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) control.Toggle(SendMessageA(from, BM_GETCHECK, 0, 0) == BST_CHECKED);
      return;
    case ControlKind::Button:
      if (code == BN_CLICKED) control.Click();
      return;
    case ControlKind::Label:
      if (code == STN_CLICKED) control.Click();
      return;
    case ControlKind::Frame:
      return;
  }
}

// Only when the focus went to another field of this window: not to a message box, another program
// or back to the field itself.
void Win32MainWindow::ControlLeft(int id) {
  const auto found = children.find(id);
  HWND focus = GetFocus();
  if (found == children.end() || focus == nullptr || !IsChild(window, focus) || focus == found->second.handle)
    return;
  found->second.control->Leave();
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window = window;
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  // The fields go before their windows do: nothing they report while going reaches the model,
  // which may be gone already.
  if (message == WM_DESTROY) self->children.clear();
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->window = nullptr;
    if (self->handlers.destroyed) self->handlers.destroyed();
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_SETCURSOR:
      if (const Child* child = FindHandle(reinterpret_cast<HWND>(wParam));
          child && child->control->Has(Role::Link)) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(kHandCursor)));
        return TRUE;
      }
      break;
    case kControlLeft:
      ControlLeft(static_cast<int>(wParam));
      return 0;
    case WM_CLOSE:
      if (handlers.closing) handlers.closing();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != 0 && handlers.ending) handlers.ending();
      return 0;
    default:
      if (handlers.received && handlers.received(message, wParam, lParam)) return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace quorvane
