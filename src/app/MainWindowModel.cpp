#include "app/MainWindowModel.h"

#include <cmath>
#include <optional>
#include <utility>

#include "core/Providers.h"
#include "core/Text.h"

namespace quorvane {

namespace {
constexpr const char* kNumbersOnly = "Numbers only, please.";
constexpr const char* kMinimumInterval = "The minimum interval is 2 minutes.";
constexpr const char* kMoreCaption = "More...";
constexpr const char* kLessCaption = "Less";
constexpr const char* kUrlSeparator = "\r\n";
// The DDNS log box keeps this much of its newest text; a program that runs for months would
// otherwise hold every request it ever sent.
constexpr std::size_t kDdnsLogLimit = 64 * 1024;

using K = ControlKind;
constexpr Role kAddressRoles = Role::ReadOnly | Role::Centred | Role::Emphasised;

// The interval a box text stands for: a number (fractions count as the next whole minute, as the
// minute count reaches them), kept within the allowed range; nullopt when the text is no number.
std::optional<int> IntervalOf(const std::string& text) {
  if (!IsNumeric(text)) return std::nullopt;
  const double minutes = std::ceil(LeadingNumber(text));
  if (minutes < kMinimumIntervalMinutes) return kMinimumIntervalMinutes;
  if (minutes > kMaximumIntervalMinutes) return kMaximumIntervalMinutes;
  return static_cast<int>(minutes);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i > 0 ? kUrlSeparator : "") + lines[i];
  return text;
}

// CR LF, a lone CR and a lone LF each end a line (what the user typed may hold any of them).
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  lines.emplace_back();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      lines.back() += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.emplace_back();
  }
  return lines;
}
}  // namespace

MainWindowModel::MainWindowModel(Shell& shell, WindowCommands commands, std::string title)
    : computerNameLabel(*this, "computerNameLabel", K::Label, "Computer Name:"),
      computerName(*this, "computerName", K::Label, "", "This can be set in control panel", true,
                   Role::Emphasised),
      updateEnabled(*this, "updateEnabled", K::CheckBox, "Update Dynamic DNS Entry at",
                    "Dynamic DNS provides static names to dynamic IP addresses"),
      service(*this, "service", K::ComboBox, "", "DDNS Service", false),
      moreButton(*this, "moreButton", K::Button, kMoreCaption, "", false),
      userNameLabel(*this, "userNameLabel", K::Label, "Username:"),
      userName(*this, "userName", K::TextBox, "", "DDNS Username", false),
      passwordLabel(*this, "passwordLabel", K::Label, "Password:"),
      password(*this, "password", K::TextBox, "", "DDNS Password", false, Role::Secret),
      hostNamesLabel(*this, "hostNamesLabel", K::Label, "Hostname(s):"),
      hostNames(*this, "hostNames", K::TextBox, "", "DDNS Hostname", false),
      intervalLabel(*this, "intervalLabel", K::Label, "Check IP Interval:"),
      intervalBox(*this, "intervalBox", K::TextBox, "",
                  "Obtain and compare current IP addresses to last known IPs every X minutes", true,
                  Role::Validated),
      minutesLabel(*this, "minutesLabel", K::Label, "minutes"),
      suspended(*this, "suspended", K::CheckBox, "Offline/Suspend",
                "Check this box to stop program from acquiring and checking IP addresses. Uncheck to "
                "resume. This does not affect DDNS offline field."),
      echoUrlsLabel(*this, "echoUrlsLabel", K::Label, "External IP URLs:"),
      echoUrls(*this, "echoUrls", K::TextBox, "",
               "Multi-line field- list of URLs that unformatted WAN IP can be retrieved from", true,
               Role::MultiLine),
      externalAddressLabel(*this, "externalAddressLabel", K::Label, "WAN IP Address:"),
      externalAddress(*this, "externalAddress", K::TextBox, "",
                      "Your external IP address is your public IP address on the internet", true,
                      kAddressRoles),
      copyExternal(*this, "copyExternal", K::Button, "Copy", "Copy external IP address to clipboard"),
      internalAddressLabel(*this, "internalAddressLabel", K::Label, "LAN IP Address:"),
      internalAddress(*this, "internalAddress", K::TextBox, "",
                      "Your internal IP address is how your local network identifies your computer", true,
                      kAddressRoles),
      copyInternal(*this, "copyInternal", K::Button, "Copy", "Copy internal IP address to clipboard"),
      viewLog(*this, "viewLog", K::Label, "View Log", "View IP Change and Update History", true,
              Role::Link | Role::Emphasised),
      statusLabel(*this, "statusLabel", K::Label, "Status of last update:"),
      status(*this, "status", K::Label, "", "Dynamic DNS Update Result"),
      checkNow(*this, "checkNow", K::Button, "Check Now",
               "Obtain LAN & WAN IP addresses now and check if either has changed", true, Role::Emphasised),
      updateNow(*this, "updateNow", K::Button, "Update Now", "Perform checked actions now", true,
                Role::Emphasised),
      options(*this, "options", K::Frame, "Additional Dynamic DNS Update Options", "", false),
      systemLabel(*this, "systemLabel", K::Label, "System:", "", false),
      system(*this, "system", K::TextBox, "", "", false),
      mxLabel(*this, "mxLabel", K::Label, "MX:", "", false),
      mx(*this, "mx", K::ComboBox, "", "", false),
      backupMxLabel(*this, "backupMxLabel", K::Label, "Backup MX:", "", false),
      backupMx(*this, "backupMx", K::ComboBox, "", "", false),
      wildcardLabel(*this, "wildcardLabel", K::Label, "Wildcard:", "", false),
      wildcard(*this, "wildcard", K::ComboBox, "", "", false),
      offlineLabel(*this, "offlineLabel", K::Label, "Offline:", "", false),
      offline(*this, "offline", K::ComboBox, "", "", false),
      logEverything(*this, "logEverything", K::CheckBox, "Log Everything",
                    "Log EVERY event to IPchange.log (not the area below)"),
      ddnsLogLabel(*this, "ddnsLogLabel", K::Label, "DDNS log"),
      ddnsLog(*this, "ddnsLog", K::TextBox, "", "", true,
              Role::ReadOnly | Role::MultiLine | Role::FollowsEnd),
      shell(shell),
      commands(std::move(commands)),
      title(std::move(title)) {
  for (const ProviderEntry& entry : ProviderCatalogue()) service.AddItem(entry.displayName);
  for (const char* item : {"", "NOCHG"}) mx.AddItem(item);
  for (const char* item : {"YES", "NO", "NOCHG"}) backupMx.AddItem(item);
  for (const char* item : {"ON", "OFF", "NOCHG"}) wildcard.AddItem(item);
  for (const char* item : {"YES", "NO"}) offline.AddItem(item);

  updateEnabled.OnChange([this] {
    UpdateEnabledChanged();
    ReportEdit();
  });
  for (Control* setting : {&service, &userName, &password, &hostNames, &suspended, &echoUrls, &system, &mx,
                           &backupMx, &wildcard, &offline, &logEverything})
    setting->OnChange([this] { ReportEdit(); });
  intervalBox.OnChange([this] {
    if (const std::optional<int> minutes = IntervalOf(intervalBox.Text())) lastValidInterval = *minutes;
    ReportEdit();
  });

  intervalBox.OnLeave([this] { IntervalLeft(); });
  moreButton.OnClick([this] { ToggleExpanded(); });
  status.OnClick([this] { ToggleExpanded(); });  // the status line toggles the options area too
  copyExternal.OnClick([this] { this->shell.SetClipboardText(externalAddress.Text()); });
  copyInternal.OnClick([this] { this->shell.SetClipboardText(internalAddress.Text()); });
  viewLog.OnClick([this] {
    if (this->commands.viewLog) this->commands.viewLog();
  });
  checkNow.OnClick([this] {
    if (this->commands.checkNow) this->commands.checkNow();
  });
  updateNow.OnClick([this] {
    if (this->commands.updateNow) this->commands.updateNow();
  });
}

std::vector<Control*> MainWindowModel::Controls() {
  return {&computerNameLabel,
          &computerName,
          &updateEnabled,
          &service,
          &moreButton,
          &userNameLabel,
          &userName,
          &passwordLabel,
          &password,
          &hostNamesLabel,
          &hostNames,
          &intervalLabel,
          &intervalBox,
          &minutesLabel,
          &suspended,
          &echoUrlsLabel,
          &echoUrls,
          &externalAddressLabel,
          &externalAddress,
          &copyExternal,
          &internalAddressLabel,
          &internalAddress,
          &copyInternal,
          &viewLog,
          &statusLabel,
          &status,
          &checkNow,
          &updateNow,
          &options,
          &systemLabel,
          &system,
          &mxLabel,
          &mx,
          &backupMxLabel,
          &backupMx,
          &wildcardLabel,
          &wildcard,
          &offlineLabel,
          &offline,
          &logEverything,
          &ddnsLogLabel,
          &ddnsLog};
}

void MainWindowModel::ControlChanged(const Control& control) {
  if (view != nullptr) view->ControlChanged(control);
}

// The provider's fields and the options area are usable only while updates are switched on.
void MainWindowModel::UpdateEnabledChanged() {
  const int value = updateEnabled.Value();
  if (value != 0 && value != 1) return;
  const bool on = value == 1;
  for (Control* control : {&service, &userName, &password, &hostNames, &options, &moreButton})
    control->SetEnabled(on);
  // The frame's fields follow the frame, so that no front end has to know which lie inside it.
  for (Control* control : {&systemLabel, &system, &mxLabel, &mx, &backupMxLabel, &backupMx, &wildcardLabel,
                           &wildcard, &offlineLabel, &offline})
    control->SetEnabled(on);
}

void MainWindowModel::ReportEdit() {
  if (showing || !commands.settingsEdited) return;
  commands.settingsEdited(EditedSettings());
}

void MainWindowModel::Say(const std::string& text) {
  if (commands.message) {
    commands.message(text);
  } else {
    shell.MessageBox(text, title);
  }
}

void MainWindowModel::IntervalLeft() {
  const std::string& text = intervalBox.Text();
  if (!IsNumeric(text)) {
    Say(kNumbersOnly);
    shell.FocusControl(intervalBox);
    return;
  }
  if (LeadingNumber(text) < kMinimumIntervalMinutes) {
    Say(kMinimumInterval);
    shell.FocusControl(intervalBox);
  }
}

void MainWindowModel::ShowSettings(const Settings& settings) {
  showing = true;
  shown = settings;
  updateEnabled.SetValue(settings.updateEnabled ? 1 : 0);
  service.SetText(settings.service);
  userName.SetText(settings.userName);
  password.SetText(settings.password);
  hostNames.SetText(settings.hostNames);
  intervalBox.SetText(std::to_string(settings.intervalMinutes));
  lastValidInterval = settings.intervalMinutes;  // also when the box held that text already
  suspended.SetValue(settings.suspended ? 1 : 0);
  echoUrls.SetText(JoinLines(settings.echoUrls));
  system.SetText(settings.system);
  mx.SetText(settings.mx);
  backupMx.SetText(settings.backupMx);
  wildcard.SetText(settings.wildcard);
  offline.SetText(settings.offline);
  logEverything.SetValue(settings.logEverything ? 1 : 0);
  showing = false;
}

Settings MainWindowModel::EditedSettings() const {
  Settings settings = shown;
  settings.updateEnabled = updateEnabled.Checked();
  settings.service = service.Text();
  settings.userName = userName.Text();
  settings.password = password.Text();
  settings.hostNames = hostNames.Text();
  settings.intervalMinutes = IntervalOf(intervalBox.Text()).value_or(lastValidInterval);
  settings.suspended = suspended.Checked();
  settings.echoUrls = SplitLines(echoUrls.Text());
  settings.system = system.Text();
  settings.mx = mx.Text();
  settings.backupMx = backupMx.Text();
  settings.wildcard = wildcard.Text();
  settings.offline = offline.Text();
  settings.logEverything = logEverything.Checked();
  return settings;
}

void MainWindowModel::ShowComputerName(const std::string& name) {
  computerName.SetText(name);
}

void MainWindowModel::ShowAddresses(const std::string& external, const std::string& internal) {
  externalAddress.SetText(external);
  internalAddress.SetText(internal);
}

void MainWindowModel::ShowStatus(const std::string& text, Rgb colour, const std::string& tip) {
  status.SetText(text);
  status.SetColour(colour);
  status.SetToolTip(tip);
}

// The box is cut at a line start, so that its first line is never a torn request.
void MainWindowModel::AppendDdnsLog(const std::string& lines) {
  std::string text = ddnsLog.Text() + lines;
  if (text.size() > kDdnsLogLimit) {
    std::size_t cut = text.size() - kDdnsLogLimit;
    const std::size_t lineStart = text.find('\n', cut - 1);
    if (lineStart != std::string::npos && lineStart + 1 < text.size()) cut = lineStart + 1;
    text.erase(0, cut);
  }
  ddnsLog.SetText(std::move(text));
}

void MainWindowModel::ShowCheckRunning(bool running) {
  checkNow.SetEnabled(!running);
}

void MainWindowModel::ShowUpdateRunning(bool running) {
  updateNow.SetEnabled(!running);
}

void MainWindowModel::ToggleExpanded() {
  expanded = !expanded;
  moreButton.SetText(expanded ? kLessCaption : kMoreCaption);
  shell.SetExpanded(expanded);
}

}  // namespace quorvane
