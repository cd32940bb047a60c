// quorvane.exe: Quorvane on Windows, with its window, tray icon and splash.
// First: it includes the Windows headers and takes back the name MessageBox.
#include "ui/win32/Win32Desktop.h"
// Then the common controls and COM, which build on them.
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "app/Program.h"
#include "platform/win32/Win32Platform.h"

namespace {

// One copy per user session: two would share one config.txt, and the later stop would overwrite
// what the earlier one saved.
constexpr const char* kInstanceMutex = "Local\\Brellisto.Quorvane";
constexpr DWORD kFindFirstCopyMs = 5000;

// A second start shows the running copy's window and ends.
int ShowFirstCopy() {
  for (DWORD waited = 0; waited < kFindFirstCopyMs; waited += 100) {
    if (HWND first = FindWindowA(quorvane::Win32MainWindow::kClassName, nullptr)) {
      DWORD process = 0;
      GetWindowThreadProcessId(first, &process);
      AllowSetForegroundWindow(process);
      PostMessageA(first, quorvane::Win32Desktop::ShowRequestMessage(), 0, 0);
      return 0;
    }
    Sleep(100);
  }
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int) {
  HANDLE instanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
  if (instanceMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) return ShowFirstCopy();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const bool com = SUCCEEDED(CoInitialize(nullptr));  // the background picture's decoder

  quorvane::Win32Platform platform;
  quorvane::Win32Desktop desktop(instance);
  quorvane::Program program(platform, desktop, desktop);
  desktop.Attach(program);
  program.Main(argumentText != nullptr ? argumentText : "");
  desktop.Started();

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the window's fields.
    if (desktop.Window() != nullptr && IsDialogMessageA(desktop.Window(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  desktop.StopProgram();  // does nothing when the stop already ran
  if (com) CoUninitialize();
  if (instanceMutex != nullptr) CloseHandle(instanceMutex);
  return 0;
}
