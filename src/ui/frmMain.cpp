#include "ui/frmMain.h"

#include <algorithm>

#include "app/Program.h"
#include "app/Version.h"
#include "ddns/DdnsUpdate.h"
#include "log/ChangeLog.h"
#include "monitor/CheckCycle.h"
#include "monitor/modGetHostName.h"
#include "settings/Settings.h"
#include "settings/TextValue.h"

namespace quorvane {

namespace {
constexpr const char* kLogoFileName = "logo.jpg";
constexpr const char* kDefaultComputerName = "Comp1";
constexpr const char* kNumbersOnly = "Numbers only, please.";
constexpr const char* kMinimumInterval = "The minimum interval is 2 minutes.";
constexpr const char* kMoreCaption = "More...";
constexpr const char* kLessCaption = "Less";
constexpr const char* kPublisherPage = "https://brellisto.example/quorvane/";
constexpr int kMinimumIntervalMinutes = 2;

using K = ControlKind;
}  // namespace

std::string TrayTip(const std::string& externalIP, const std::string& internalIP) {
  std::string tip = "External IP: " + externalIP;
  if (!internalIP.empty()) tip += "\r\nInternal IP: " + internalIP;
  return tip;
}

frmMain::frmMain(Program& program)
    : lblHostNameCaption(*this, "lblHostNameCaption", K::Label, "Computer Name:"),
      lblHostName(*this, "lblHostName", K::Label, "", "This can be set in control panel"),
      chkUpdateDynDNS(*this, "chkUpdateDynDNS", K::CheckBox, "Update Dynamic DNS Entry at",
                      "Dynamic DNS provides static names to dynamic IP addresses"),
      cmbDDNSservice(*this, "cmbDDNSservice", K::ComboBox, "", "DDNS Service", false),
      cmdDDNSmore(*this, "cmdDDNSmore", K::Button, kMoreCaption, "", false),
      lblDDNSusername(*this, "lblDDNSusername", K::Label, "Username:"),
      txtDDNSusername(*this, "txtDDNSusername", K::TextBox, "", "DDNS Username", false),
      lblDDNSpassword(*this, "lblDDNSpassword", K::Label, "Password:"),
      txtDDNSpassword(*this, "txtDDNSpassword", K::TextBox, "", "DDNS Password", false),
      lblDDNShostname(*this, "lblDDNShostname", K::Label, "Hostname(s):"),
      txtDDNShostname(*this, "txtDDNShostname", K::TextBox, "", "DDNS Hostname", false),
      Label5(*this, "Label5", K::Label, "Check IP Interval:"),
      txtInterval(*this, "txtInterval", K::TextBox, "",
                  "Obtain and compare current IP addresses to last known IPs every X minutes"),
      Label7(*this, "Label7", K::Label, "minutes"),
      chkOffline(
          *this, "chkOffline", K::CheckBox, "Offline/Suspend",
          "Check this box to stop program from acquiring and checking IP addresses. Uncheck to resume. "
          "This does not affect DDNS offline field."),
      Label4(*this, "Label4", K::Label, "External IP URLs:"),
      txtExternalIPURL(*this, "txtExternalIPURL", K::TextBox, "",
                       "Multi-line field- list of URLs that unformatted WAN IP can be retrieved from"),
      lblExternalIP(*this, "lblExternalIP", K::Label, "WAN IP Address:"),
      txtExternalIP(*this, "txtExternalIP", K::TextBox, "",
                    "Your external IP address is your public IP address on the internet"),
      cmdCopyExtIP(*this, "cmdCopyExtIP", K::Button, "Copy", "Copy external IP address to clipboard"),
      lblInternalIP(*this, "lblInternalIP", K::Label, "LAN IP Address:"),
      txtInternalIP(*this, "txtInternalIP", K::TextBox, "",
                    "Your internal IP address is how your local network identifies your computer"),
      cmdCopyIntIP(*this, "cmdCopyIntIP", K::Button, "Copy", "Copy internal IP address to clipboard"),
      lblViewIPChangeLog(*this, "lblViewIPChangeLog", K::Label, "View Log",
                         "View IP Change and Update History"),
      Label3(*this, "Label3", K::Label, "Status of last update:"),
      lblStatus(*this, "lblStatus", K::Label, "", "Dynamic DNS Update Result"),
      cmdCheckNow(*this, "cmdCheckNow", K::Button, "Check Now",
                  "Obtain LAN & WAN IP addresses now and check if either has changed"),
      cmdUploadNow(*this, "cmdUploadNow", K::Button, "Update Now", "Perform checked actions now"),
      frameDDNSoptions(*this, "frameDDNSoptions", K::Frame, "Additional Dynamic DNS Update Options", "",
                       false),
      lblDDNSsystem(*this, "lblDDNSsystem", K::Label, "System:"),
      txtDDNSsystem(*this, "txtDDNSsystem", K::TextBox),
      lblDDNSmx(*this, "lblDDNSmx", K::Label, "MX:"),
      cmbDDNSmx(*this, "cmbDDNSmx", K::ComboBox),
      lblDDNSbackmx(*this, "lblDDNSbackmx", K::Label, "Backup MX:"),
      cmbDDNSbackMX(*this, "cmbDDNSbackMX", K::ComboBox),
      lblDDNSwildcard(*this, "lblDDNSwildcard", K::Label, "Wildcard:"),
      cmbDDNSwildcard(*this, "cmbDDNSwildcard", K::ComboBox),
      lblDDNSoffline(*this, "lblDDNSoffline", K::Label, "Offline:"),
      cmbDDNSoffline(*this, "cmbDDNSoffline", K::ComboBox),
      chkExcessiveLogging(*this, "chkExcessiveLogging", K::CheckBox, "Log Everything",
                          "Log EVERY event to IPchange.log (not the area below)"),
      Label2(*this, "Label2", K::Label, "DDNS log"),
      txtSMTPlog(*this, "txtSMTPlog", K::TextBox),
      program(program),
      caption(kVersion.productName) {
  chkUpdateDynDNS.OnChange([this] { chkUpdateDynDNS_Click(); });
  txtSMTPlog.OnChange([this] { txtSMTPlog_Change(); });
}

void frmMain::ControlChanged(const Control& control) {
  if (view != nullptr) view->ControlChanged(control);
}

void frmMain::SetCaption(const std::string& text) {
  caption = text;
  program.desktop.SetCaption(text);
}

void frmMain::SetTrayTipFromAddresses() {
  program.desktop.SetTrayTip(TrayTip(program.state.lastExternalIP, program.state.lastInternalIP));
}

void frmMain::Form_Load() {
  Platform& platform = program.platform;
  ProgramState& state = program.state;
  Desktop& desktop = program.desktop;

  const std::string logo = platform.ProgramFolder() + platform.PathSeparator() + kLogoFileName;
  if (platform.FileExists(logo)) desktop.SetBackgroundPicture(logo);
  if (!state.startingUp) return;

  state.startingUp = false;
  desktop.HideWindow();
  state.windowTitle = BuildWindowTitle();
  SetCaption(state.windowTitle);
  if (state.debugMode) {
    desktop.SetWindowState(WindowState::Normal);
    desktop.ShowWindow();
  } else {
    const WindowState current = desktop.GetWindowState();
    restoreState = current == WindowState::Minimized ? WindowState::Normal : current;
    desktop.AddToTray();
  }

  if (!state.dataFolder.empty() && platform.FileExists(state.dataFolder + kConfigFileName))
    LoadSettings(program);
  SetCaption(state.windowTitle);

  std::string name = GetHostName(platform);
  std::replace(name.begin(), name.end(), ' ', '_');
  name = TrimBlanks(name);
  lblHostName.SetText(name.empty() ? kDefaultComputerName : name);

  state.ipFilePath = state.dataFolder + kIpFileName;
  if (!state.dataFolder.empty()) {
    if (std::optional<std::string> content = platform.ReadFile(state.ipFilePath)) {
      // Lines end at CR LF (as written) or at a lone CR or LF (as an editor may leave them).
      std::vector<std::string> lines(1);
      for (std::size_t i = 0; i < content->size() && lines.size() <= 2; ++i) {
        const char c = (*content)[i];
        if (c == '\r' || c == '\n') {
          if (c == '\r' && i + 1 < content->size() && (*content)[i + 1] == '\n') ++i;
          lines.emplace_back();
        } else {
          lines.back() += c;
        }
      }
      state.lastExternalIP = TrimBlanks(lines[0]);
      if (lines.size() > 1) state.lastInternalIP = TrimBlanks(lines[1]);
      txtExternalIP.SetText(state.lastExternalIP);
      txtInternalIP.SetText(state.lastInternalIP);
    }
  }
  SetTrayTipFromAddresses();
}

void frmMain::Form_Unload() {
  program.ShutDown();
  unloaded = true;
}

void frmMain::chkUpdateDynDNS_Click() {
  const int value = chkUpdateDynDNS.Value();
  if (value != 0 && value != 1) return;
  for (Control* control : {&cmbDDNSservice, &txtDDNSusername, &txtDDNSpassword, &txtDDNShostname,
                           &frameDDNSoptions, &cmdDDNSmore})
    control->SetEnabled(value == 1);
}

void frmMain::lblStatus_Click(std::int16_t& /*index*/) {
  Desktop& desktop = program.desktop;
  if (desktop.WindowHeight() == program.state.collapsedHeight) {
    desktop.SetWindowHeight(kExpandedHeight);
    cmdDDNSmore.SetText(kLessCaption);
  } else {
    desktop.SetWindowHeight(program.state.collapsedHeight);
    cmdDDNSmore.SetText(kMoreCaption);
  }
}

void frmMain::cmdDDNSmore_Click() {
  std::int16_t index = 0;
  lblStatus_Click(index);
}

void frmMain::cmdCopyExtIP_Click() {
  program.desktop.SetClipboardText(txtExternalIP.Text());
}

void frmMain::cmdCopyIntIP_Click() {
  program.desktop.SetClipboardText(txtInternalIP.Text());
}

void frmMain::lblViewIPChangeLog_Click() {
  program.desktop.OpenTextViewer(program.state.dataFolder + kChangeLogFileName);
}

// A request arriving while a check or an update runs (a nested message loop) waits for it to end;
// setting the marker now would make the running check send an update nobody asked for.
void frmMain::cmdCheckNow_Click() {
  if (program.busy) {
    program.checkPending = true;
    return;
  }
  checkRequest = "1";
  CheckAddresses(program);
}

void frmMain::cmdUploadNow_Click() {
  if (program.busy) {
    program.updatePending = true;
    return;
  }
  checkRequest = "1";
  UpdateDynamicDNS(program);
}

void frmMain::txtInterval_LostFocus() {
  const std::string& text = txtInterval.Text();
  if (!IsNumeric(text)) {
    program.desktop.MessageBox(kNumbersOnly, program.state.windowTitle);
    program.desktop.FocusControl(txtInterval.Name());
    return;
  }
  const double minutes = LeadingNumber(text);
  if (minutes < kMinimumIntervalMinutes) {
    program.desktop.MessageBox(kMinimumInterval, program.state.windowTitle);
    program.desktop.FocusControl(txtInterval.Name());
  }
  // A shortened interval that has already elapsed makes the next tick check. The count never goes
  // below 0, so a huge negative interval cannot wrap around into a large count.
  if (minutes <= program.state.minuteCount)
    program.state.minuteCount = static_cast<std::int16_t>(std::max(0L, RoundHalfEven(minutes - 1)));
}

void frmMain::txtSMTPlog_Change() {
  txtSMTPlogSelStart = txtSMTPlog.Text().size();
}

void frmMain::mnuTrayShowHide_Click() {
  Desktop& desktop = program.desktop;
  if (desktop.WindowVisible() && desktop.GetWindowState() != WindowState::Minimized) {
    desktop.SetWindowState(WindowState::Minimized);
  } else {
    desktop.SetWindowState(WindowState::Normal);
    if (!desktop.WindowVisible()) desktop.ShowWindow();
  }
}

void frmMain::mnuTrayAbout_Click() {
  program.desktop.OpenWebPage(kPublisherPage);
}

void frmMain::mnuTrayQuit_Click() {
  program.ShutDown();
  Form_Unload();
}

}  // namespace quorvane
