#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

#include "ui/win32/resource.h"

namespace quorvane {

namespace {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send
constexpr COLORREF kPanelGrey = RGB(224, 224, 224);
constexpr int kDropDownTwips = 2400;                 // the open list of a combo box
constexpr std::size_t kMaxPictureBytes = 16u << 20;  // a logo.jpg larger than this is not read
// Posted when the interval box has lost the focus: validated once the focus has settled.
constexpr UINT kIntervalLeft = WM_APP + 1;

// Where each control sits, in twips of the client area.
struct Placement {
  Control frmMain::*control;
  int x, y, width, height;
};

// The main area, then the extension area below a client height of 5625. Creation order is the
// keyboard's order.
constexpr Placement kPlacements[] = {
    {&frmMain::lblHostNameCaption, 150, 150, 1500, 255},
    {&frmMain::lblHostName, 1680, 150, 3165, 255},
    {&frmMain::chkUpdateDynDNS, 150, 660, 2880, 270},
    {&frmMain::cmbDDNSservice, 3060, 630, 1785, 315},
    {&frmMain::lblDDNSusername, 150, 1080, 1200, 255},
    {&frmMain::txtDDNSusername, 1380, 1035, 2730, 300},
    {&frmMain::cmdDDNSmore, 4170, 1035, 675, 300},
    {&frmMain::lblDDNSpassword, 150, 1410, 1200, 255},
    {&frmMain::txtDDNSpassword, 1380, 1365, 3465, 300},
    {&frmMain::lblDDNShostname, 150, 1740, 1200, 255},
    {&frmMain::txtDDNShostname, 1380, 1695, 3465, 300},
    {&frmMain::Label5, 150, 2265, 1500, 255},
    {&frmMain::txtInterval, 1680, 2220, 480, 300},
    {&frmMain::Label7, 2220, 2265, 720, 255},
    {&frmMain::chkOffline, 3000, 2250, 1845, 270},
    {&frmMain::Label4, 150, 2610, 1500, 255},
    {&frmMain::txtExternalIPURL, 1680, 2580, 3165, 420},
    {&frmMain::lblExternalIP, 150, 3255, 1500, 255},
    {&frmMain::txtExternalIP, 1680, 3195, 2220, 315},
    {&frmMain::cmdCopyExtIP, 3960, 3195, 885, 315},
    {&frmMain::lblInternalIP, 150, 3675, 1500, 255},
    {&frmMain::txtInternalIP, 1680, 3615, 2220, 315},
    {&frmMain::cmdCopyIntIP, 3960, 3615, 885, 315},
    {&frmMain::lblViewIPChangeLog, 150, 4020, 900, 255},
    {&frmMain::Label3, 150, 4440, 2400, 255},
    {&frmMain::lblStatus, 150, 4700, 4695, 280},
    {&frmMain::cmdCheckNow, 600, 5085, 1700, 450},
    {&frmMain::cmdUploadNow, 2665, 5085, 1700, 450},
    {&frmMain::lblDDNSsystem, 210, 5985, 1000, 255},
    {&frmMain::txtDDNSsystem, 1230, 5940, 1170, 300},
    {&frmMain::lblDDNSmx, 210, 6405, 1000, 255},
    {&frmMain::cmbDDNSmx, 1230, 6360, 1170, 315},
    {&frmMain::lblDDNSbackmx, 210, 6825, 1000, 255},
    {&frmMain::cmbDDNSbackMX, 1230, 6780, 1170, 315},
    {&frmMain::lblDDNSwildcard, 2520, 5985, 900, 255},
    {&frmMain::cmbDDNSwildcard, 3450, 5940, 1320, 315},
    {&frmMain::lblDDNSoffline, 2520, 6405, 900, 255},
    {&frmMain::cmbDDNSoffline, 3450, 6360, 1320, 315},
    {&frmMain::frameDDNSoptions, 60, 5640, 4845, 1665},
    {&frmMain::chkExcessiveLogging, 150, 7425, 2100, 270},
    {&frmMain::Label2, 2700, 7440, 1500, 255},
    {&frmMain::txtSMTPlog, 60, 7800, 4845, 1290},
};
constexpr RECT kPanelTwips[2] = {{60, 555, 4905, 2070}, {60, 2175, 4905, 3045}};

// The five option fields that live inside frameDDNSoptions: the frame's state rules them.
bool InFrame(const frmMain& form, const Control& control) {
  for (const Control* inside : {&form.lblDDNSsystem, &form.txtDDNSsystem, &form.lblDDNSmx, &form.cmbDDNSmx,
                                &form.lblDDNSbackmx, &form.cmbDDNSbackMX, &form.lblDDNSwildcard,
                                &form.cmbDDNSwildcard, &form.lblDDNSoffline, &form.cmbDDNSoffline})
    if (inside == &control) return true;
  return false;
}

std::string WindowText(HWND handle) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(handle)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(handle, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A multi-line box in a window takes Tab as text; here Tab moves on, as in every other field.
LRESULT CALLBACK NoTabProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  LRESULT result = DefSubclassProc(box, message, wParam, lParam);
  if (message == WM_GETDLGCODE) result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS);
  if (message == WM_GETDLGCODE && lParam != 0 && reinterpret_cast<MSG*>(lParam)->wParam == VK_RETURN &&
      (GetWindowLongA(box, GWL_STYLE) & ES_READONLY) == 0)
    result |= DLGC_WANTMESSAGE;  // Enter starts a new URL line
  return result;
}

HFONT DerivedFont(const LOGFONTA& base, bool bold, bool underline) {
  LOGFONTA font = base;
  if (bold) font.lfWeight = FW_BOLD;
  font.lfUnderline = underline ? TRUE : FALSE;
  return CreateFontIndirectA(&font);
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, frmMain& form, Handlers handlers)
    : form(form), handlers(std::move(handlers)), instance(instance) {
  HDC screen = GetDC(nullptr);
  dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  font = DerivedFont(metrics.lfMessageFont, false, false);
  boldFont = DerivedFont(metrics.lfMessageFont, true, false);
  linkFont = DerivedFont(metrics.lfMessageFont, true, true);
  panelBrush = CreateSolidBrush(kPanelGrey);
  faceBrush = GetSysColorBrush(COLOR_BTNFACE);
  bigIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUORVANE), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUORVANE), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = bigIcon;
  windowClass.hIconSm = smallIcon;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.lpszClassName = kClassName;
  RegisterClassExA(&windowClass);
  for (int i = 0; i < 2; ++i)
    panels[i] = {Pixels(kPanelTwips[i].left), Pixels(kPanelTwips[i].top), Pixels(kPanelTwips[i].right),
                 Pixels(kPanelTwips[i].bottom)};

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, Pixels(kClientWidthTwips), Pixels(kCollapsedClientTwips)};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  window = CreateWindowExA(WS_EX_CONTROLPARENT, kClassName, form.Caption().c_str(), style, CW_USEDEFAULT,
                           CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top, nullptr,
                           nullptr, instance, this);
  if (window == nullptr) return;
  toolTips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             0, 0, 0, 0, window, nullptr, instance, nullptr);
  SendMessageA(toolTips, TTM_SETMAXTIPWIDTH, 0, Pixels(5000));
  CreateChildren();
  SetExpanded(false);
}

Win32MainWindow::~Win32MainWindow() {
  if (IsWindow(window)) DestroyWindow(window);
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(font), static_cast<HGDIOBJ>(boldFont), static_cast<HGDIOBJ>(linkFont),
        static_cast<HGDIOBJ>(panelBrush), static_cast<HGDIOBJ>(pictureBrush), static_cast<HGDIOBJ>(picture)})
    if (object != nullptr) DeleteObject(object);
  for (HICON icon : {bigIcon, smallIcon})
    if (icon != nullptr) DestroyIcon(icon);
}

void Win32MainWindow::CreateChildren() {
  int id = kFirstControlId;
  for (const Placement& placement : kPlacements) {
    Control& control = form.*placement.control;
    const std::string& name = control.Name();
    const char* windowClass = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD extended = 0;
    int height = placement.height;
    switch (control.Kind()) {
      case ControlKind::Label:
        style |= SS_LEFT | SS_NOTIFY | SS_NOPREFIX;
        break;
      case ControlKind::TextBox:
        windowClass = "EDIT";
        extended = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        if (name == "txtExternalIPURL" || name == "txtSMTPlog")
          style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN;
        if (name == "txtSMTPlog" || name == "txtExternalIP" || name == "txtInternalIP") style |= ES_READONLY;
        if (name == "txtExternalIP" || name == "txtInternalIP") style |= ES_CENTER;
        if (name == "txtDDNSpassword") style |= ES_PASSWORD;
        break;
      case ControlKind::CheckBox:
        windowClass = "BUTTON";
        style |= WS_TABSTOP | BS_AUTOCHECKBOX;
        break;
      case ControlKind::ComboBox:
        windowClass = "COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
        height += kDropDownTwips;
        break;
      case ControlKind::Button:
        windowClass = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case ControlKind::Frame:
        windowClass = "BUTTON";
        style |= BS_GROUPBOX;
        break;
    }
    RECT place{Pixels(placement.x), Pixels(placement.y), Pixels(placement.x + placement.width),
               Pixels(placement.y + placement.height)};
    HWND child = CreateWindowExA(extended, windowClass, "", style, place.left, place.top,
                                 place.right - place.left, Pixels(height), window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    HFONT childFont = font;
    if (name == "lblHostName" || name == "txtExternalIP" || name == "txtInternalIP" ||
        name == "cmdCheckNow" || name == "cmdUploadNow")
      childFont = boldFont;
    if (name == "lblViewIPChangeLog") childFont = linkFont;
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(childFont), FALSE);
    if (name == "txtDDNSpassword") SendMessageA(child, EM_SETPASSWORDCHAR, '*', 0);
    if (style & ES_MULTILINE) SetWindowSubclass(child, NoTabProc, 0, 0);
    children[id] = Child{&control, child, place};
    ControlChanged(control);
    ++id;
  }
  // The frame lies under the fields it holds.
  SetWindowPos(ChildOf(form.frameDDNSoptions.Name()), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

const Win32MainWindow::Child* Win32MainWindow::Find(const Control& control) const {
  for (const auto& [id, child] : children)
    if (child.control == &control) return &child;
  return nullptr;
}

HWND Win32MainWindow::ChildOf(const std::string& controlName) const {
  for (const auto& [id, child] : children)
    if (child.control->Name() == controlName) return child.handle;
  return nullptr;
}

void Win32MainWindow::ApplyEnabled(const Child& child) {
  const bool enabled =
      child.control->Enabled() && (!InFrame(form, *child.control) || form.frameDDNSoptions.Enabled());
  EnableWindow(child.handle, enabled ? TRUE : FALSE);
}

void Win32MainWindow::ApplyToolTip(const Child& child) {
  const std::string& tip = child.control->ToolTip();
  std::string& shown = toolTipTexts[child.control->Name()];
  if (tip == shown || toolTips == nullptr) return;
  // A combo box's mouse messages go to the edit field inside it.
  HWND parts[2] = {child.handle, nullptr};
  if (child.control->Kind() == ControlKind::ComboBox) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(child.handle, &info)) parts[1] = info.hwndItem;
  }
  for (HWND part : parts) {
    if (part == nullptr) continue;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(part);
    tool.lpszText = const_cast<char*>(tip.c_str());
    SendMessageA(toolTips, shown.empty() ? TTM_ADDTOOLA : TTM_UPDATETIPTEXTA, 0,
                 reinterpret_cast<LPARAM>(&tool));
  }
  shown = tip;
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
  if (WindowText(handle) != control.Text()) SetWindowTextA(handle, control.Text().c_str());
  if (control.Kind() == ControlKind::CheckBox) {
    const WPARAM state = control.Value() == 1   ? BST_CHECKED
                         : control.Value() == 2 ? BST_INDETERMINATE
                                                : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageA(handle, BM_GETCHECK, 0, 0)) != state)
      SendMessageA(handle, BM_SETCHECK, state, 0);
  }
  if (&control == &form.txtSMTPlog) {  // the newest lines stay in view
    const auto end = static_cast<WPARAM>(form.txtSMTPlogSelStart);
    SendMessageA(handle, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageA(handle, EM_SCROLLCARET, 0, 0);
  }
  ApplyEnabled(*child);
  if (&control == &form.frameDDNSoptions)
    for (const auto& [id, inside] : children)
      if (InFrame(form, *inside.control)) ApplyEnabled(inside);
  ApplyToolTip(*child);
  if (&control == &form.lblStatus) InvalidateRect(handle, nullptr, TRUE);  // its colour
  painting = false;
}

void Win32MainWindow::SetExpanded(bool expanded) {
  bool below = false;
  for (const auto& [id, child] : children) {
    below = below || child.control == &form.lblDDNSsystem;
    if (below) ShowWindow(child.handle, expanded ? SW_SHOWNA : SW_HIDE);
  }
}

bool Win32MainWindow::SetBackground(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(file, nullptr);
  HGLOBAL memory = size > 0 && size <= kMaxPictureBytes ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  DWORD got = 0;
  if (memory != nullptr) {
    ReadFile(file, GlobalLock(memory), size, &got, nullptr);
    GlobalUnlock(memory);
  }
  CloseHandle(file);
  IStream* stream = nullptr;
  if (memory == nullptr || got != size || CreateStreamOnHGlobal(memory, TRUE, &stream) != S_OK) {
    if (memory != nullptr) GlobalFree(memory);
    return false;
  }
  IPicture* loaded = nullptr;
  const HRESULT result =
      OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&loaded));
  stream->Release();
  if (result != S_OK || loaded == nullptr) return false;

  // Scaled to the expanded window once; the collapsed window shows its upper part.
  const int width = Pixels(kClientWidthTwips);
  const int height = Pixels(frmMain::kExpandedHeight - kNonClientTwips);
  OLE_XSIZE_HIMETRIC sourceWidth = 0;
  OLE_YSIZE_HIMETRIC sourceHeight = 0;
  loaded->get_Width(&sourceWidth);
  loaded->get_Height(&sourceHeight);
  HDC screen = GetDC(nullptr);
  HDC memoryDc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memoryDc, bitmap);
  loaded->Render(memoryDc, 0, 0, width, height, 0, sourceHeight, sourceWidth, -sourceHeight, nullptr);
  SelectObject(memoryDc, previous);
  DeleteDC(memoryDc);
  ReleaseDC(nullptr, screen);
  loaded->Release();

  if (picture != nullptr) DeleteObject(picture);
  if (pictureBrush != nullptr) DeleteObject(pictureBrush);
  picture = bitmap;
  pictureBrush = CreatePatternBrush(picture);
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

void Win32MainWindow::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, pictureBrush != nullptr ? pictureBrush : faceBrush);
  for (const RECT& panel : panels) FillRect(dc, &panel, panelBrush);
}

// Labels and check boxes take the colour of what lies behind them: a panel, the picture or the
// window; the read-only boxes stay white like the editable ones; the status line has the model's colour.
HBRUSH Win32MainWindow::ColourStatic(HDC dc, HWND from) {
  const Child* child = nullptr;
  for (const auto& [id, candidate] : children)
    if (candidate.handle == from) child = &candidate;
  if (child == nullptr) return nullptr;
  if (child->control->Kind() == ControlKind::TextBox) {
    if ((GetWindowLongA(from, GWL_STYLE) & ES_READONLY) == 0) return nullptr;  // disabled: the system's grey
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
  }
  const Rgb colour = child->control->Colour();
  SetTextColor(
      dc, IsWindowEnabled(from) ? RGB(colour.red, colour.green, colour.blue) : GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  for (const RECT& panel : panels) {
    RECT overlap;
    if (IntersectRect(&overlap, &panel, &child->place) && EqualRect(&overlap, &child->place))
      return panelBrush;
  }
  if (pictureBrush == nullptr) return faceBrush;
  SetBrushOrgEx(dc, -child->place.left, -child->place.top, nullptr);
  return pictureBrush;
}

void Win32MainWindow::Command(int id, int code, HWND from) {
  const auto found = children.find(id);
  if (found == children.end() || painting) return;
  Control& control = *found->second.control;
  switch (control.Kind()) {
    case ControlKind::TextBox:
      if (code == EN_CHANGE) control.SetText(WindowText(from));
      if (code == EN_KILLFOCUS && &control == &form.txtInterval) PostMessageA(window, kIntervalLeft, 0, 0);
      return;
    case ControlKind::ComboBox:
      if (code == CBN_EDITCHANGE) control.SetText(WindowText(from));
      if (code == CBN_SELCHANGE) {
        const LRESULT index = SendMessageA(from, CB_GETCURSEL, 0, 0);
        if (index >= 0 && static_cast<std::size_t>(index) < control.Items().size())
          control.SetText(control.Items()[static_cast<std::size_t>(index)]);
      }
      return;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) control.SetValue(SendMessageA(from, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
      return;
    case ControlKind::Button:
      if (code != BN_CLICKED) return;
      if (&control == &form.cmdDDNSmore) form.cmdDDNSmore_Click();
      if (&control == &form.cmdCopyExtIP) form.cmdCopyExtIP_Click();
      if (&control == &form.cmdCopyIntIP) form.cmdCopyIntIP_Click();
      if (&control == &form.cmdCheckNow) form.cmdCheckNow_Click();
      if (&control == &form.cmdUploadNow) form.cmdUploadNow_Click();
      return;
    case ControlKind::Label:
      if (code != STN_CLICKED) return;
      if (&control == &form.lblViewIPChangeLog) form.lblViewIPChangeLog_Click();
      if (&control == &form.lblStatus) {
        std::int16_t index = 2;
        form.lblStatus_Click(index);
      }
      return;
    case ControlKind::Frame:
      return;
  }
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window = window;
  }
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
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
    case WM_SETCURSOR:  // "View Log" is a link
      if (reinterpret_cast<HWND>(wParam) == ChildOf(form.lblViewIPChangeLog.Name())) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        return TRUE;
      }
      break;
    case kIntervalLeft:  // only when the focus went to another field of this window
      if (GetFocus() != nullptr && IsChild(window, GetFocus()) && !form.unloaded)
        form.txtInterval_LostFocus();
      return 0;
    case WM_TIMER:
      if (handlers.timer) handlers.timer(wParam);
      return 0;
    case WM_CLOSE:
      if (handlers.closing) handlers.closing();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != 0 && handlers.ending) handlers.ending();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      if (handlers.received && handlers.received(message, wParam)) return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace quorvane
