// quorvane.exe: Quorvane on Windows, with its window, tray icon and splash.
// First: it includes the Windows headers and takes back the name MessageBox.
#include "frontends/win32/Win32Shell.h"
// Then the common controls, which build on them.
#include <commctrl.h>

#include <string>

#include "app/Session.h"
#include "platform/win32/Win32Platform.h"

namespace {

// One copy per user session: two would share one config.txt, and the later stop would overwrite
// what the earlier one saved.
constexpr const char* kInstanceMutex = "Local\\Brellisto.Quorvane";
constexpr DWORD kFindFirstCopyMs = 5000;
constexpr DWORD kFindFirstCopyStepMs = 100;
constexpr const char* kDeveloperSwitch = "-dev";

// A second start shows the running copy's window and ends.
int ShowFirstCopy() {
  for (DWORD waited = 0; waited < kFindFirstCopyMs; waited += kFindFirstCopyStepMs) {
    if (HWND first = FindWindowA(quorvane::Win32MainWindow::kClassName, nullptr)) {
      DWORD process = 0;
      GetWindowThreadProcessId(first, &process);
      AllowSetForegroundWindow(process);
      PostMessageA(first, quorvane::Win32Shell::ShowRequestMessage(), 0, 0);
      return 0;
    }
    Sleep(kFindFirstCopyStepMs);
  }
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int) {
  const quorvane::KernelHandle instanceMutex(CreateMutexA(nullptr, FALSE, kInstanceMutex));
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) return ShowFirstCopy();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const quorvane::ComApartment com;  // the background picture's decoder

  // "-dev" anywhere in the arguments, as part of a longer word too.
  const bool developerMode =
      argumentText != nullptr && std::string(argumentText).find(kDeveloperSwitch) != std::string::npos;
  quorvane::Win32Platform platform;
  quorvane::Win32Shell shell(instance);
  // The Session runs the checks on the Monitor's thread: this loop stays free for the window and
  // the icon, also while a check waits on the network.
  quorvane::SessionOptions options;
  options.developerMode = developerMode;
  quorvane::Session session(platform, shell, options);
  shell.Attach(session);
  session.Start();

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the window's fields.
    if (HWND window = shell.Window(); window != nullptr && IsDialogMessageA(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  session.Stop();  // does nothing when the stop already ran
  return 0;
}
