#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Control.h"
#include "app/Shell.h"
#include "core/Settings.h"

namespace quorvane {

// What the window's buttons ask of the running program (the Session wires them to the Monitor).
struct WindowCommands {
  std::function<void()> checkNow;
  std::function<void()> updateNow;
  std::function<void(const Settings&)> settingsEdited;  // the user changed a setting in the window
  std::function<void()> viewLog;                        // open ipchange.log
  // A message box titled with the window title (the Session's queue: boxes in order, never nested).
  // Empty: Shell::MessageBox at once.
  std::function<void(const std::string& text)> message;
};

// The main window as a model: what it shows and what its controls do. Lives on the UI thread. The
// members are the window's controls in the window's order (Controls() lists them so); a front end
// lays them out, paints them from their kind and roles and reports what the user does through
// Control::Edit, Toggle, Click and Leave.
class MainWindowModel : public ControlObserver {
 public:
  MainWindowModel(Shell& shell, WindowCommands commands, std::string title);
  MainWindowModel(const MainWindowModel&) = delete;
  MainWindowModel& operator=(const MainWindowModel&) = delete;

  // The view is told about every change of every control.
  void AttachView(ControlObserver* view) { this->view = view; }
  const std::string& Title() const { return title; }
  // Every control in the window's order (tab order), the options area's last.
  std::vector<Control*> Controls();
  bool Expanded() const { return expanded; }

  // Settings shown in the window (at start, after a reload, after the program changed one itself).
  void ShowSettings(const Settings& settings);
  // The settings as the window holds them now. An interval box that holds no valid number keeps the
  // last valid interval.
  Settings EditedSettings() const;

  // What the running program reports.
  void ShowComputerName(const std::string& name);
  void ShowAddresses(const std::string& external, const std::string& internal);
  void ShowStatus(const std::string& text, Rgb colour, const std::string& tip);
  void AppendDdnsLog(const std::string& lines);  // keeps the box's last 64 KiB
  void ShowCheckRunning(bool running);           // "Check Now" is disabled while a check runs
  void ShowUpdateRunning(bool running);          // "Update Now" likewise

  // The options area: "More..." shows it, "Less" hides it.
  void ToggleExpanded();

  Control computerNameLabel;
  Control computerName;
  Control updateEnabled;
  Control service;
  Control moreButton;
  Control userNameLabel;
  Control userName;
  Control passwordLabel;
  Control password;
  Control hostNamesLabel;
  Control hostNames;
  Control intervalLabel;
  Control intervalBox;
  Control minutesLabel;
  Control suspended;
  Control echoUrlsLabel;
  Control echoUrls;
  Control externalAddressLabel;
  Control externalAddress;
  Control copyExternal;
  Control internalAddressLabel;
  Control internalAddress;
  Control copyInternal;
  Control viewLog;
  Control statusLabel;
  Control status;
  Control checkNow;
  Control updateNow;
  Control options;  // the frame of the options area; its fields follow
  Control systemLabel;
  Control system;
  Control mxLabel;
  Control mx;
  Control backupMxLabel;
  Control backupMx;
  Control wildcardLabel;
  Control wildcard;
  Control offlineLabel;
  Control offline;
  Control logEverything;
  Control ddnsLogLabel;
  Control ddnsLog;

 private:
  void ControlChanged(const Control& control) override;
  void UpdateEnabledChanged();
  void IntervalLeft();
  void Say(const std::string& text);
  void ReportEdit();

  Shell& shell;
  WindowCommands commands;
  std::string title;
  ControlObserver* view = nullptr;
  bool expanded = false;
  bool showing = false;  // ShowSettings runs: no edits reported back
  int lastValidInterval = 5;
  Settings shown;  // what ShowSettings showed last: the fields the window has no control for
};

}  // namespace quorvane
