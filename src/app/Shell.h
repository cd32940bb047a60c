#pragma once

#include <functional>
#include <string>

namespace quorvane {

class Control;

enum class WindowState { Normal, Minimized, Maximized };

// The splash window's texts.
struct SplashText {
  std::string productName;
  std::string version;
  std::string copyright;
};

// What a front end provides: presentation and the UI thread's services. Every call except Post comes
// on the UI thread. Sizes, twips and pixels are the front end's own business: the model speaks of
// shown or hidden, expanded or collapsed.
class Shell {
 public:
  virtual ~Shell() = default;

  // Runs the task on the UI thread, soon and in the order posted. Callable from any thread. Tasks
  // posted after the front end's loop has ended are dropped (never run on another thread).
  virtual void Post(std::function<void()> task) = 0;

  // Shows the splash modally; returns when it has closed.
  virtual void ShowSplash(const SplashText& text) = 0;

  // The main window. A front end centres it on the screen the first time it shows it.
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  virtual bool WindowShown() = 0;
  virtual WindowState GetWindowState() = 0;
  virtual void SetWindowState(WindowState state) = 0;
  // With the options area ("More...") or without it.
  virtual void SetExpanded(bool expanded) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetBackgroundPicture(const std::string& path) = 0;
  virtual void FocusControl(const Control& control) = 0;
  // Brings the shown window to the front with the keyboard focus (a click on the tray icon, a second
  // copy's request).
  virtual void ActivateWindow() {}

  // A modal message box with an OK button. Posted tasks may run while it shows.
  virtual void MessageBox(const std::string& text, const std::string& title) = 0;
  // Clears the clipboard and puts the text on it. False when the clipboard refused.
  virtual bool SetClipboardText(const std::string& text) = 0;
  // Opens a text file in the user's text viewer without waiting.
  virtual void OpenTextViewer(const std::string& path) = 0;

  // The notification-area icon and its tip.
  virtual void AddToTray() = 0;
  virtual void SetTrayTip(const std::string& tip) = 0;
  virtual void RemoveFromTray() = 0;
  // A notification from the tray icon (a balloon, the desktop's notification service); a click on it
  // shows the window. Nothing where there is no icon.
  virtual void Notify(const std::string& /*text*/) {}

  // Every line written to the change log, after it was written (the console prints it).
  virtual void ChangeLogLine(const std::string& line) = 0;
  // The status line changed (the console prints it; windows show the control).
  virtual void StatusLine(const std::string& /*text*/) {}
  // Lines added to the DDNS log (the console prints them; windows show the control).
  virtual void DdnsLogLines(const std::string& /*lines*/) {}
  // A problem the user must hear of although the program runs on (one line, no dialog).
  virtual void Warn(const std::string& message) = 0;

  // The Session has stopped (settings saved or the failure said): end the front end's loop.
  virtual void Quit() = 0;
};

}  // namespace quorvane
