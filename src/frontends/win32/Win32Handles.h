#pragma once

// Owners for the Windows handles the front end holds: each is released once, on every path.
#include <windows.h>
// COM builds on the Windows headers.
#include <objbase.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace quorvane {

struct GdiObjectDeleter {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct KernelHandleDeleter {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct MemoryDcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct GlobalMemoryDeleter {
  void operator()(void* memory) const { GlobalFree(static_cast<HGLOBAL>(memory)); }
};

// A font, brush or bitmap (HFONT, HBRUSH, HBITMAP).
template <typename Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using OwnedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;
using GlobalMemory = std::unique_ptr<void, GlobalMemoryDeleter>;
// A kernel handle; an invalid one (nullptr or INVALID_HANDLE_VALUE) is held as empty.
using KernelHandle = std::unique_ptr<void, KernelHandleDeleter>;
inline KernelHandle OwnKernelHandle(HANDLE handle) {
  return KernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A window's (or the screen's) device context, released to its window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window(window), dc(GetDC(window)) {}
  ~WindowDc() {
    if (dc != nullptr) ReleaseDC(window, dc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc; }

 private:
  HWND window;
  HDC dc;
};

// An object selected into a device context, deselected again at the end of the scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc, previous); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc;
  HGDIOBJ previous;
};

// A COM interface pointer, released once.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() { Reset(); }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  Interface* operator->() const { return pointer; }
  Interface* Get() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }
  // For the out-parameter of a creating call; releases what was held.
  Interface** Receive() {
    Reset();
    return &pointer;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

 private:
  void Reset() {
    if (pointer != nullptr) pointer->Release();
    pointer = nullptr;
  }
  Interface* pointer = nullptr;
};

// The clipboard, open for the scope.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) : opened(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (opened) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool Opened() const { return opened; }

 private:
  bool opened;
};

// COM on this thread for the scope (the background picture's decoder needs it).
class ComApartment {
 public:
  ComApartment() : initialised(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (initialised) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised;
};

}  // namespace quorvane
