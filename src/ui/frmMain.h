#pragma once

#include <cstdint>
#include <string>

#include "ui/Control.h"
#include "ui/Desktop.h"

namespace quorvane {

class Program;

// The tray tip: "External IP: x", with "\r\nInternal IP: y" when an internal address is known.
std::string TrayTip(const std::string& externalIP, const std::string& internalIP);

// Told about every control change and caption change of the main window (a front end repaints).
class FormView {
 public:
  virtual ~FormView() = default;
  virtual void ControlChanged(const Control& control) = 0;
};

// The main window as a model: the live home of every setting while the program runs. Public members
// are named after the window's controls; the handlers are the window's own. Tests drive it directly.
class frmMain : public ControlObserver {
 public:
  // Window heights in twips: the collapsed window at load, and the window with its extension area.
  static constexpr int kLoadedHeight = 6045;
  static constexpr int kExpandedHeight = 9645;
  static constexpr int kWidth = 5085;

  explicit frmMain(Program& program);

  void AttachView(FormView* view) { this->view = view; }
  const std::string& Caption() const { return caption; }
  void SetCaption(const std::string& text);

  // Handlers.
  void Form_Load();
  void Form_Unload();
  void chkUpdateDynDNS_Click();
  void lblStatus_Click(std::int16_t& index);
  void cmdDDNSmore_Click();
  void cmdCopyExtIP_Click();
  void cmdCopyIntIP_Click();
  void lblViewIPChangeLog_Click();
  void cmdCheckNow_Click();
  void cmdUploadNow_Click();
  void txtInterval_LostFocus();
  void txtSMTPlog_Change();

  // The tray popup menu's items.
  void mnuTrayShowHide_Click();
  void mnuTrayViewLog_Click() { lblViewIPChangeLog_Click(); }
  void mnuTrayCheckNow_Click() { cmdCheckNow_Click(); }
  void mnuTrayUpdateNow_Click() { cmdUploadNow_Click(); }
  void mnuTrayAbout_Click();
  void mnuTrayQuit_Click();

  // "1" when a check or update was asked for now, "0" for timed operation.
  std::string checkRequest;
  // Where the caret of the DDNS log box stands (moved to the end on every change).
  std::size_t txtSMTPlogSelStart = 0;
  // The window state that a click on the tray icon restores a minimized window to.
  WindowState restoreState = WindowState::Normal;
  // True once the window has been unloaded; nothing runs after that.
  bool unloaded = false;

  Control lblHostNameCaption;
  Control lblHostName;
  Control chkUpdateDynDNS;
  Control cmbDDNSservice;
  Control cmdDDNSmore;
  Control lblDDNSusername;
  Control txtDDNSusername;
  Control lblDDNSpassword;
  Control txtDDNSpassword;
  Control lblDDNShostname;
  Control txtDDNShostname;
  Control Label5;
  Control txtInterval;
  Control Label7;
  Control chkOffline;
  Control Label4;
  Control txtExternalIPURL;
  Control lblExternalIP;
  Control txtExternalIP;
  Control cmdCopyExtIP;
  Control lblInternalIP;
  Control txtInternalIP;
  Control cmdCopyIntIP;
  Control lblViewIPChangeLog;
  Control Label3;
  Control lblStatus;  // element 2 of the window's status label array, the only one that exists
  Control cmdCheckNow;
  Control cmdUploadNow;
  Control frameDDNSoptions;
  Control lblDDNSsystem;
  Control txtDDNSsystem;
  Control lblDDNSmx;
  Control cmbDDNSmx;
  Control lblDDNSbackmx;
  Control cmbDDNSbackMX;
  Control lblDDNSwildcard;
  Control cmbDDNSwildcard;
  Control lblDDNSoffline;
  Control cmbDDNSoffline;
  Control chkExcessiveLogging;
  Control Label2;
  Control txtSMTPlog;

 private:
  void ControlChanged(const Control& control) override;
  void SetTrayTipFromAddresses();

  Program& program;
  FormView* view = nullptr;
  std::string caption;
};

// The tray menu, in the order users know it; a null caption is the separator line. Every item stays
// enabled. A front end runs "&Quit" (the last item) as part of its own orderly stop.
struct TrayMenuItem {
  const char* caption;
  void (frmMain::*handler)();
};
inline constexpr TrayMenuItem kTrayMenu[] = {{"&Show/Hide", &frmMain::mnuTrayShowHide_Click},
                                             {"&View Log", &frmMain::mnuTrayViewLog_Click},
                                             {"&Check Now", &frmMain::mnuTrayCheckNow_Click},
                                             {"&Update Now", &frmMain::mnuTrayUpdateNow_Click},
                                             {nullptr, nullptr},
                                             {"&About", &frmMain::mnuTrayAbout_Click},
                                             {"&Quit", &frmMain::mnuTrayQuit_Click}};

}  // namespace quorvane
