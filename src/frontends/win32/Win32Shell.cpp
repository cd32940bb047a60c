#include "frontends/win32/Win32Shell.h"

#include <cstring>
#include <utility>

#include "core/Version.h"
#include "frontends/win32/Win32Splash.h"

namespace quorvane {

namespace {

// Posted to the main window once per task; the window procedure runs the oldest task.
constexpr UINT kRunTask = WM_APP + 2;
constexpr const char* kShowRequestName = "Brellisto.Quorvane.ShowWindow";

}  // namespace

std::string ViewerCommandLine(const std::string& path) {
  return "notepad \"" + path + "\"";
}

Win32Shell::Win32Shell(HINSTANCE instance, NotifyIcon notifyIcon)
    : instance(instance), tray(std::move(notifyIcon)) {}

Win32Shell::~Win32Shell() {
  tray.Remove();
  window.reset();  // destroys the window, which closes the task queue
}

UINT Win32Shell::ShowRequestMessage() {
  return RegisterWindowMessageA(kShowRequestName);
}

void Win32Shell::Attach(MainWindowModel& model, Win32ShellActions shellActions) {
  actions = std::move(shellActions);
  tray.SetActions(actions.trayMenu, [this] {
    if (actions.showFromTray) actions.showFromTray();
  });
  window = std::make_unique<Win32MainWindow>(
      instance, model,
      Win32MainWindow::Handlers{[this] {
                                  if (actions.stop) actions.stop();
                                },
                                [this] {
                                  // The session ends: Windows ends the process once this returns.
                                  if (actions.stop) actions.stop();
                                },
                                [this](UINT message, WPARAM, LPARAM) { return Received(message); },
                                [this] { CloseTasks(); }});
  model.AttachView(window.get());
  std::lock_guard lock(taskLock);
  taskWindow = window->Handle();
  // Tasks posted before the window existed get their messages now.
  for (std::size_t queued = 0; queued < tasks.size(); ++queued) PostMessageA(taskWindow, kRunTask, 0, 0);
}

void Win32Shell::Attach(Session& session) {
  Attach(session.Window(), Win32ShellActions{session.TrayMenu(), [&session] { session.ShowFromTray(); },
                                             [&session] { session.Stop(); }});
}

bool Win32Shell::Received(UINT message) {
  if (message == kRunTask) {
    RunNextTask();
    return true;
  }
  if (message == ShowRequestMessage()) {
    if (actions.showFromTray) actions.showFromTray();
    return true;
  }
  return false;
}

void Win32Shell::Post(std::function<void()> task) {
  std::lock_guard lock(taskLock);
  if (tasksClosed) return;
  tasks.push_back(std::move(task));
  // A full queue or a window destroyed meanwhile: the task is dropped at once, not kept forever.
  if (taskWindow != nullptr && !PostMessageA(taskWindow, kRunTask, 0, 0)) tasks.pop_back();
}

void Win32Shell::RunNextTask() {
  std::function<void()> task;
  {
    std::lock_guard lock(taskLock);
    if (tasks.empty()) return;
    task = std::move(tasks.front());
    tasks.pop_front();
  }
  if (task) task();  // may open a message box whose loop runs the next tasks
}

void Win32Shell::CloseTasks() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(taskLock);
    tasksClosed = true;
    taskWindow = nullptr;
    dropped.swap(tasks);
  }
  // Freed outside the lock: a task's captures may post again (and find the queue closed).
}

void Win32Shell::ShowSplash(const SplashText& text) {
  ShowSplashWindow(instance, text);
}

void Win32Shell::Centre() {
  // By the window's real size, which the caption and borders of this desktop decide.
  RECT outer;
  GetWindowRect(Window(), &outer);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  SetWindowPos(Window(), nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Shell::ShowWindow() {
  HWND handle = Window();
  if (handle == nullptr) return;
  if (!shownBefore) Centre();
  shownBefore = true;
  ::ShowWindow(handle, IsIconic(handle) ? SW_RESTORE : SW_SHOW);
}

void Win32Shell::ActivateWindow() {
  HWND handle = Window();
  if (handle == nullptr) return;
  SetForegroundWindow(handle);
  // The focus stays in the field that had it; otherwise the window takes it.
  HWND focus = GetFocus();
  if (focus != handle && !IsChild(handle, focus)) SetFocus(handle);
}

void Win32Shell::HideWindow() {
  ::ShowWindow(Window(), SW_HIDE);
}

bool Win32Shell::WindowShown() {
  return Window() != nullptr && IsWindowVisible(Window()) != FALSE;
}

WindowState Win32Shell::GetWindowState() {
  if (IsIconic(Window())) return WindowState::Minimized;
  return IsZoomed(Window()) ? WindowState::Maximized : WindowState::Normal;
}

void Win32Shell::SetWindowState(WindowState state) {
  HWND handle = Window();
  if (handle == nullptr) return;
  if (state == WindowState::Minimized) {
    if (!IsWindowVisible(handle)) return;
    ::ShowWindow(handle, SW_MINIMIZE);
    // With the icon in the tray, a minimized window leaves the task bar too, as the title bar's
    // minimize does.
    if (tray.Installed()) ::ShowWindow(handle, SW_HIDE);
  } else if ((IsIconic(handle) || IsZoomed(handle)) && IsWindowVisible(handle)) {
    ::ShowWindow(handle, state == WindowState::Maximized ? SW_MAXIMIZE : SW_RESTORE);
  }
}

void Win32Shell::SetExpanded(bool expanded) {
  if (window) window->SetExpanded(expanded);
}

void Win32Shell::SetCaption(const std::string& caption) {
  SetWindowTextA(Window(), caption.c_str());
}

void Win32Shell::SetBackgroundPicture(const std::string& path) {
  if (window) window->SetBackground(path);
}

void Win32Shell::FocusControl(const Control& control) {
  if (window == nullptr) return;
  if (HWND child = window->ChildOf(control)) SetFocus(child);
}

void Win32Shell::MessageBox(const std::string& text, const std::string& title) {
  // Owned by the window only while it shows: a hidden owner would hide the box with it.
  ::MessageBoxA(WindowShown() ? Window() : nullptr, text.c_str(), title.c_str(), MB_OK | MB_SETFOREGROUND);
}

bool Win32Shell::SetClipboardText(const std::string& text) {
  const OpenedClipboard clipboard(Window());
  if (!clipboard.Opened() || !EmptyClipboard()) return false;
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
  if (!memory) return false;
  void* bytes = GlobalLock(memory.get());
  if (bytes == nullptr) return false;
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  GlobalUnlock(memory.get());
  if (SetClipboardData(CF_TEXT, memory.get()) == nullptr) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

void Win32Shell::OpenTextViewer(const std::string& path) {
  std::string commandLine = ViewerCommandLine(path);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    const KernelHandle thread(process.hThread), started(process.hProcess);
  }
}

void Win32Shell::AddToTray() {
  if (window == nullptr || tray.Installed()) return;
  // Without a notification area the icon cannot be added: the window is then the only way in.
  if (!tray.Add(Window(), window->Icon())) ShowWindow();
}

void Win32Shell::SetTrayTip(const std::string& tip) {
  tray.SetTip(tip);
}

void Win32Shell::Notify(const std::string& text) {
  tray.ShowBalloon(kVersion.productName, text);
}

void Win32Shell::RemoveFromTray() {
  tray.Remove();
}

void Win32Shell::Warn(const std::string& message) {
  OutputDebugStringA((message + "\n").c_str());
}

void Win32Shell::Quit() {
  tray.Remove();
  if (HWND handle = Window()) DestroyWindow(handle);
  PostQuitMessage(0);
}

}  // namespace quorvane
