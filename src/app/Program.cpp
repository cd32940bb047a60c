#include "app/Program.h"

#include "app/Version.h"
#include "ddns/OwedUpdate.h"
#include "ddns/ProviderCatalogue.h"
#include "log/ChangeLog.h"
#include "monitor/CheckCycle.h"
#include "settings/Folders.h"
#include "settings/Settings.h"
#include "ui/frmSplash.h"

namespace quorvane {

namespace {
constexpr const char* kFirstRunMessage =
    "First run under new user account. Creating default config.txt file.";
constexpr const char* kNoDataFolderWarning =
    "Quorvane: no folder for settings and logs could be found (neither XDG_DATA_HOME nor HOME is set); "
    "running with built-in settings and writing no files.";
}  // namespace

Program::Program(Platform& platform, Desktop& desktop, TimerService& timers)
    : platform(platform), desktop(desktop), timers(timers), form(*this) {}

void Program::Main(const std::string& argumentText) {
  state.debugMode = argumentText.find(kDevSwitch) != std::string::npos;
  state.startingUp = true;
  desktop.ShowSplash(SplashTexts());
  base64.InitBase64Table();
  FixDataFolder();
  if (!state.dataFolder.empty())
    platform.RemoveStaleTempFiles(state.dataFolder, {kConfigFileName, kIpFileName, kOwedUpdateFileName});
  state.userAgent = BuildUserAgent();

  // A data folder without any ordinary file is a first run: a folder that still holds the log or
  // ip.txt is not, even when config.txt is gone (it is then written at the orderly stop).
  if (!state.dataFolder.empty() && !platform.FolderHasOrdinaryFiles(state.dataFolder)) {
    platform.CreateFolder(state.dataFolder);
    LogEvent(*this, kFirstRunMessage);
    WriteDefaultSettings(*this);
  }

  // Creating the window runs its load step, and startup invokes it once more; only the first run,
  // which finds startingUp set, does the one-time part.
  form.Form_Load();
  form.Form_Load();
  LoadOwedUpdate(*this);

  state.collapsedHeight = static_cast<std::int16_t>(desktop.WindowHeight());
  const float left =
      static_cast<float>(desktop.ScreenWidth()) / 2.0f - static_cast<float>(desktop.WindowWidth()) / 2.0f;
  const float top =
      static_cast<float>(desktop.ScreenHeight()) / 2.0f - static_cast<float>(desktop.WindowHeight()) / 2.0f;
  desktop.MoveWindow(static_cast<int>(left), static_cast<int>(top));
  FillDropDownLists();

  state.startingUp = true;
  form.checkRequest = "1";
  CheckAddresses(*this);
  state.startingUp = false;
  state.minuteCount = 0;
  timers.StartTimer(kCheckTimerId, kCheckTimerPeriodMs, [this] { CheckAddresses(*this); });
}

void Program::ShutDown() {
  timers.KillTimer(kCheckTimerId);
  SaveSettings(*this);
  desktop.RemoveFromTray();
}

void Program::RunPendingRequests() {
  if (busy || platform.StopRequested()) return;
  if (checkPending) {
    checkPending = false;
    form.cmdCheckNow_Click();
  }
  if (updatePending) {
    updatePending = false;
    form.cmdUploadNow_Click();
  }
}

void Program::FixDataFolder() {
  const std::optional<std::string> appData = GetLocalAppDataFolder(*this);
  if (!appData || appData->empty()) {
    // Without a folder there is nowhere safe to keep the settings: say so once and write nothing.
    state.dataFolder.clear();
    desktop.Warn(kNoDataFolderWarning);
    return;
  }
  const char separator = platform.PathSeparator();
  std::string folder = *appData;
  folder += separator;
  folder += kDataFolderName;
  folder += separator;
  state.dataFolder = std::move(folder);
}

void Program::FillDropDownLists() {
  for (const ProviderEntry& entry : ProviderCatalogue()) form.cmbDDNSservice.AddItem(entry.displayName);
  for (const char* item : {"", "NOCHG"}) form.cmbDDNSmx.AddItem(item);
  for (const char* item : {"YES", "NO", "NOCHG"}) form.cmbDDNSbackMX.AddItem(item);
  for (const char* item : {"ON", "OFF", "NOCHG"}) form.cmbDDNSwildcard.AddItem(item);
  for (const char* item : {"YES", "NO"}) form.cmbDDNSoffline.AddItem(item);
}

}  // namespace quorvane
