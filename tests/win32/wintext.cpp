// wintext TITLE | wintext --class NAME: the top-level windows with this title or window class, read
// from the outside under Wine. For each: "window <class> <visible>", then per descendant window
// "<id>\t<enabled>\t<x>,<y>\t<text>" (x,y its centre on the screen; CR, LF, tab written \r, \n, \t).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Query {
  std::string title, windowClass;
  int matched = 0;
};

// WM_GETTEXT, unlike GetWindowText, reads the contents of another process's edit controls.
std::string textOf(HWND window) {
  std::string text(65536, '\0'), out;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  for (const char* c = text.c_str(); *c; ++c)
    out += *c == '\r' ? "\\r" : *c == '\n' ? "\\n" : *c == '\t' ? "\\t" : std::string(1, *c);
  return out;
}

std::string classOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK printChild(HWND child, LPARAM) {
  RECT r{};
  GetWindowRect(child, &r);
  std::printf("%d\t%d\t%ld,%ld\t%s\n", GetDlgCtrlID(child), IsWindowEnabled(child) ? 1 : 0,
              (r.left + r.right) / 2, (r.top + r.bottom) / 2, textOf(child).c_str());
  return TRUE;
}

BOOL CALLBACK visitTopLevel(HWND window, LPARAM param) {
  auto& query = *reinterpret_cast<Query*>(param);
  if (query.windowClass.empty() ? textOf(window) == query.title : classOf(window) == query.windowClass) {
    ++query.matched;
    std::printf("window %s %d\n", classOf(window).c_str(), IsWindowVisible(window) ? 1 : 0);
    EnumChildWindows(window, printChild, 0);
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return 2;
  Query query;
  (argc == 3 ? query.windowClass : query.title) = argv[argc - 1];
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends for the shell that reads them
  EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.matched > 0 ? 0 : 1;
}
