// wintext: what a desktop test sees of another program's windows, read under Wine from the outside.
//   wintext.exe TITLE          every top-level window with this exact title
//   wintext.exe --class NAME   every top-level window of this window class
// For each: "window <class> <width>x<height> <visible>", then one line per descendant window:
// "<id>\t<class>\t<enabled>\t<visible>\t<x>,<y>\t<text>", x,y its centre on the screen (CR, LF and tab
// written as \r, \n, \t). Exit status 1: no match. (Wine keeps a popup menu's items private to its
// process: the program's own tests read them.)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Query {
  std::string title, windowClass;
  int matched = 0;
};

std::string escaped(const char* text) {
  std::string out;
  for (; *text; ++text)
    out += *text == '\r' ? "\\r" : *text == '\n' ? "\\n" : *text == '\t' ? "\\t" : std::string(1, *text);
  return out;
}

// WM_GETTEXT is copied between processes by the system, and an edit control answers it with its
// contents (GetWindowText does not ask another process's controls).
std::string textOf(HWND window) {
  std::string text(65536, '\0');
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return escaped(text.c_str());
}

std::string classOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK printChild(HWND child, LPARAM) {
  RECT r{};
  GetWindowRect(child, &r);
  std::printf("%d\t%s\t%d\t%d\t%ld,%ld\t%s\n", GetDlgCtrlID(child), classOf(child).c_str(),
              IsWindowEnabled(child) ? 1 : 0, IsWindowVisible(child) ? 1 : 0, (r.left + r.right) / 2,
              (r.top + r.bottom) / 2, textOf(child).c_str());
  return TRUE;
}

BOOL CALLBACK visitTopLevel(HWND window, LPARAM param) {
  auto& query = *reinterpret_cast<Query*>(param);
  if (query.windowClass.empty() ? textOf(window) != escaped(query.title.c_str())
                                : classOf(window) != query.windowClass)
    return TRUE;
  ++query.matched;
  RECT r{};
  GetWindowRect(window, &r);
  std::printf("window %s %ldx%ld %d\n", classOf(window).c_str(), r.right - r.left, r.bottom - r.top,
              IsWindowVisible(window) ? 1 : 0);
  EnumChildWindows(window, printChild, 0);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  Query query;
  if (argc == 3 && std::strcmp(argv[1], "--class") == 0)
    query.windowClass = argv[2];
  else if (argc == 2)
    query.title = argv[1];
  else
    return std::fprintf(stderr, "usage: wintext TITLE | wintext --class NAME\n"), 2;
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends for the shell that reads them
  EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.matched > 0 ? 0 : 1;
}
