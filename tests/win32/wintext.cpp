// wintext TITLE | wintext --class NAME: the top-level windows with this title or window class, read
// from the outside under Wine. For each: "window <visible>", then per descendant window
// "<id>\t<enabled>\t<x>,<y>\t<text>" (x,y its centre on the screen; CR, LF, tab written \r, \n, \t).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// WM_GETTEXT, unlike GetWindowText, reads the contents of another process's edit controls.
std::string textOf(HWND window) {
  std::string text(65536, '\0'), out;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  for (const char* c = text.c_str(); *c; ++c)
    out += *c == '\r' ? "\\r" : *c == '\n' ? "\\n" : *c == '\t' ? "\\t" : std::string(1, *c);
  return out;
}

BOOL CALLBACK printChild(HWND child, LPARAM) {
  RECT r{};
  GetWindowRect(child, &r);
  std::printf("%d\t%d\t%ld,%ld\t%s\n", GetDlgCtrlID(child), IsWindowEnabled(child) ? 1 : 0,
              (r.left + r.right) / 2, (r.top + r.bottom) / 2, textOf(child).c_str());
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return 2;
  const char* windowClass = argc == 3 ? argv[2] : nullptr;
  const char* title = argc == 2 ? argv[1] : nullptr;
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends for the shell that reads them
  int matched = 0;
  for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, windowClass, title)); ++matched) {
    std::printf("window %d\n", IsWindowVisible(window) ? 1 : 0);
    EnumChildWindows(window, printChild, 0);
  }
  return matched > 0 ? 0 : 1;
}
