#pragma once

#include <functional>
#include <string>

namespace quorvane {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// The splash window's texts.
struct SplashText {
  std::string productName;
  std::string version;
  std::string copyright;
};

// What the main window model needs from a desktop. Each front end implements it; the console front
// end answers with plain output and keeps the window geometry as numbers.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // Shows the splash window modally; returns when it has closed.
  virtual void ShowSplash(const SplashText& text) = 0;

  // The main window. Geometry is in twips.
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  virtual bool WindowVisible() = 0;
  virtual WindowState GetWindowState() = 0;
  virtual void SetWindowState(WindowState state) = 0;
  virtual int WindowHeight() = 0;
  virtual void SetWindowHeight(int twips) = 0;
  virtual int WindowWidth() = 0;
  virtual void MoveWindow(int leftTwips, int topTwips) = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetBackgroundPicture(const std::string& path) = 0;
  virtual void FocusControl(const std::string& controlName) = 0;

  // A modal message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& title) = 0;
  // Clears the clipboard and puts the text on it. False when the clipboard refused.
  virtual bool SetClipboardText(const std::string& text) = 0;
  // Opens a text file in the user's text viewer without waiting.
  virtual void OpenTextViewer(const std::string& path) = 0;
  virtual void OpenWebPage(const std::string& url) = 0;

  // The notification-area icon.
  virtual void AddToTray() = 0;
  virtual void SetTrayTip(const std::string& tip) = 0;
  virtual void RemoveFromTray() = 0;

  // Every line written to the change log, after it was written (the console echoes it).
  virtual void ChangeLogLine(const std::string& line) = 0;
  // A problem the user must hear of although the program runs on (one line, no dialog).
  virtual void Warn(const std::string& message) = 0;
};

// The check timer. The front end owns the message loop and calls the procedure from it.
class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual void StartTimer(int id, int periodMs, std::function<void()> procedure) = 0;
  virtual void KillTimer(int id) = 0;
};

}  // namespace quorvane
