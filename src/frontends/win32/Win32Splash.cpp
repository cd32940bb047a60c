#include "frontends/win32/Win32Splash.h"

#include <algorithm>

#include "frontends/win32/Win32Handles.h"
#include "frontends/win32/resource.h"

namespace quorvane {

namespace {

constexpr UINT kCloseAfterMs = 2000;
constexpr UINT_PTR kCloseTimer = 1;
constexpr int kWidthTwips = 7875, kHeightTwips = 2640;
constexpr COLORREF kBackground = RGB(224, 224, 224);
constexpr COLORREF kTextGrey = RGB(128, 128, 128);
// The frame that covers the window, and the places inside it, in twips.
constexpr RECT kFrame{150, 120, 150 + 7545, 120 + 2325};
constexpr RECT kLogo{150, 195, 150 + 1965, 195 + 1935};
constexpr POINT kProductName{2355, 405}, kVersion{5400, 450}, kCopyright{2040, 1920};
constexpr int kCopyrightWidthTwips = 5295;
constexpr int kTitleGapTwips = 180;

struct Splash {
  const SplashText* text;
  int dpi;
  OwnedIcon icon;
  GdiObject<HFONT> titleFont, copyrightFont;
  int Pixels(int twips) const { return MulDiv(twips, dpi, 1440); }
};

// Point sizes in hundredths, as the fonts are specified (27.75 pt, 8.25 pt).
HFONT ArialFont(int hundredthsOfPoint, int weight, int dpi) {
  return CreateFontA(-MulDiv(hundredthsOfPoint, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                     ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                     DEFAULT_PITCH, "Arial");
}

void PaintContent(HDC dc, const Splash& splash) {
  RECT frame{splash.Pixels(kFrame.left), splash.Pixels(kFrame.top), splash.Pixels(kFrame.right),
             splash.Pixels(kFrame.bottom)};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const auto at = [&](int twips, LONG frameEdge) {
    return static_cast<int>(frameEdge) + splash.Pixels(twips);
  };
  DrawIconEx(dc, splash.Pixels(kLogo.left), splash.Pixels(kLogo.top), splash.icon.get(),
             splash.Pixels(kLogo.right - kLogo.left), splash.Pixels(kLogo.bottom - kLogo.top), 0, nullptr,
             DI_NORMAL);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextGrey);
  Selection title(dc, splash.titleFont.get());
  const std::string& name = splash.text->productName;
  const std::string& version = splash.text->version;
  TextOutA(dc, at(kProductName.x, frame.left), at(kProductName.y, frame.top), name.c_str(),
           static_cast<int>(name.size()));
  // The version follows the title, also where the title font is wider than the design allowed for.
  SIZE nameSize{};
  GetTextExtentPoint32A(dc, name.c_str(), static_cast<int>(name.size()), &nameSize);
  const int versionLeft =
      std::max(at(kVersion.x, frame.left), at(kProductName.x, frame.left) + static_cast<int>(nameSize.cx) +
                                               splash.Pixels(kTitleGapTwips));
  TextOutA(dc, versionLeft, at(kVersion.y, frame.top), version.c_str(), static_cast<int>(version.size()));
  Selection copyright(dc, splash.copyrightFont.get());
  RECT line{at(kCopyright.x, frame.left), at(kCopyright.y, frame.top),
            at(kCopyright.x + kCopyrightWidthTwips, frame.left), frame.bottom};
  DrawTextA(dc, splash.text->copyright.c_str(), -1, &line, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void Paint(HWND window, const Splash& splash) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  PaintContent(dc, splash);
  EndPaint(window, &paint);
}

LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  const auto* splash = reinterpret_cast<const Splash*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT:
      if (splash != nullptr) {
        Paint(window, *splash);
        return 0;
      }
      break;
    case WM_TIMER:
      KillTimer(window, kCloseTimer);
      DestroyWindow(window);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      DestroyWindow(window);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void ShowSplashWindow(HINSTANCE instance, const SplashText& text) {
  Splash splash{&text, GetDeviceCaps(WindowDc(nullptr).Get(), LOGPIXELSY), nullptr, nullptr, nullptr};
  const int logoSize = splash.Pixels(kLogo.right - kLogo.left);
  splash.icon.reset(static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUORVANE), IMAGE_ICON, logoSize, logoSize, 0)));
  splash.titleFont.reset(ArialFont(2775, FW_BOLD, splash.dpi));
  splash.copyrightFont.reset(ArialFont(825, FW_NORMAL, splash.dpi));
  const GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = SplashProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = background.get();
  windowClass.lpszClassName = kSplashClassName;
  RegisterClassExA(&windowClass);
  const DWORD style = WS_POPUP | WS_BORDER;
  RECT outer{0, 0, splash.Pixels(kWidthTwips), splash.Pixels(kHeightTwips)};
  AdjustWindowRectEx(&outer, style, FALSE, WS_EX_TOOLWINDOW);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kSplashClassName, "", style,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                instance, &splash);
  if (window != nullptr) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    SetTimer(window, kCloseTimer, kCloseAfterMs, nullptr);
    // Its own loop: the start goes on only once the splash has closed.
    MSG message;
    while (IsWindow(window)) {
      const BOOL got = GetMessageA(&message, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
        DestroyWindow(window);
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  UnregisterClassA(kSplashClassName, instance);
}

}  // namespace quorvane
