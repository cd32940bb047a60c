#include "app/Session.h"

#include <deque>
#include <optional>
#include <utility>

#include "app/DataFolder.h"
#include "app/Monitor.h"
#include "app/Splash.h"
#include "core/ChangeLog.h"
#include "core/Version.h"

namespace quorvane {

namespace {
constexpr const char* kNoDataFolderWarning =
    "Quorvane: no folder for settings and logs could be found or made; running with built-in settings "
    "and writing no files.";
constexpr const char* kFolderInUseStart = "Another copy of Quorvane is using the data folder ";
constexpr const char* kFolderInUseEnd = "; this one stops without touching it.";
constexpr const char* kSaveFailed = "The settings could not be saved to ";
constexpr const char* kLogoFileName = "logo.jpg";
constexpr const char* kPublisherPage = "https://brellisto.example/quorvane/";
constexpr const char* kAboutTitle = "About ";
constexpr const char* kStartAtLogin = "Start at &Login";
constexpr const char* kNotifyProblems = "&Notify Me of Problems";
constexpr const char* kStartAtLoginFailed = "The entry that starts Quorvane at sign-in could not be written.";

struct Message {
  std::string text;
  std::string title;
};
}  // namespace

struct Session::State {
  State(Platform& platform, Shell& shell, SessionOptions options, Session& session)
      : platform(platform),
        shell(shell),
        options(std::move(options)),
        title(BuildWindowTitle()),
        window(shell, Commands(), title),
        trayMenu(TrayMenuItems(session)) {}

  WindowCommands Commands();
  std::vector<TrayMenuItem> TrayMenuItems(Session& session);
  MonitorEvents Events();
  void StartUp();
  void ShowWindowOrTray();
  void Say(const std::string& text, const std::string& messageTitle);
  void ReportProblem(const std::string& text);
  void EnterNested() { ++nested; }
  void LeaveNested();
  void RequestStop();
  void FinishStop();
  void StartupCheckDone(bool addressObtained, bool updateFailed);
  void ShowOrHide();
  void ShowFromTray();
  void ShowAbout();
  void ToggleStartAtLogin();
  void ToggleNotices();
  bool Running() const { return monitor != nullptr && !stopRequested; }

  Platform& platform;
  Shell& shell;
  SessionOptions options;
  std::string title;
  MainWindowModel window;
  std::vector<TrayMenuItem> trayMenu;
  std::string dataFolder;  // empty: no folder, no files
  std::unique_ptr<Monitor> monitor;
  WindowState restoreState = WindowState::Normal;
  bool startCalled = false, started = false, showWhenStarted = false, trayInstalled = false;
  bool stopRequested = false, stopFinished = false, saved = true, settingsUnreadable = false;
  bool folderInUse = false;
  // Calls that run a nested loop (the start, its splash, a message box): a stop waits for them.
  int nested = 0;
  std::deque<Message> messages;
  bool showingMessage = false;
  std::optional<StartupCheckResult> startupResult;
  std::vector<std::function<void(const StartupCheckResult&)>> startupWaiters;
};

WindowCommands Session::State::Commands() {
  WindowCommands commands;
  commands.checkNow = [this] {
    if (Running()) monitor->CheckNow();
  };
  commands.updateNow = [this] {
    if (Running()) monitor->UpdateNow();
  };
  commands.settingsEdited = [this](const Settings& settings) {
    if (Running()) monitor->ApplySettings(settings);
  };
  commands.viewLog = [this] {
    if (!dataFolder.empty()) shell.OpenTextViewer(dataFolder + kChangeLogFileName);
  };
  commands.message = [this](const std::string& text) { Say(text, title); };
  return commands;
}

std::vector<TrayMenuItem> Session::State::TrayMenuItems(Session& session) {
  std::vector<TrayMenuItem> items = {{"&Show/Hide", [this] { ShowOrHide(); }, nullptr},
                                     {"&View Log", [this] { window.viewLog.Click(); }, nullptr},
                                     {"&Check Now", [this] { window.checkNow.Click(); }, nullptr},
                                     {"&Update Now", [this] { window.updateNow.Click(); }, nullptr},
                                     {"", nullptr, nullptr}};
  // After a restart the DNS entry goes stale unless the program starts again: one click away.
  if (!options.headless && platform.StartsAtLogin())
    items.push_back({kStartAtLogin, [this] { ToggleStartAtLogin(); },
                     [this] { return platform.StartsAtLogin().value_or(false); }});
  if (!options.headless)
    items.push_back({kNotifyProblems, [this] { ToggleNotices(); },
                     [this] { return window.EditedSettings().notifyProblems; }});
  items.push_back({"&About", [this] { ShowAbout(); }, nullptr});
  items.push_back({"&Quit", [&session] { session.Stop(); }, nullptr});
  return items;
}

void Session::State::ToggleNotices() {
  Settings settings = window.EditedSettings();
  settings.notifyProblems = !settings.notifyProblems;
  window.ShowSettings(settings);
  if (Running()) monitor->ApplySettings(settings);
}

void Session::State::ToggleStartAtLogin() {
  if (!platform.SetStartAtLogin(!platform.StartsAtLogin().value_or(false)))
    ReportProblem(kStartAtLoginFailed);
}

MonitorEvents Session::State::Events() {
  MonitorEvents events;
  events.addresses = [this](const std::string& external, const std::string& internal) {
    window.ShowAddresses(external, internal);
  };
  events.trayTip = [this](const std::string& tip) { shell.SetTrayTip(tip); };
  events.status = [this](const std::string& text, Rgb colour, const std::string& tip) {
    window.ShowStatus(text, colour, tip);
    shell.StatusLine(text);
  };
  events.ddnsLog = [this](const std::string& lines) {
    window.AppendDdnsLog(lines);
    shell.DdnsLogLines(lines);
  };
  events.changeLogLine = [this](const std::string& line) { shell.ChangeLogLine(line); };
  events.developerMessage = [this](const std::string& text) { Say(text, kVersion.productName); };
  events.settingsChanged = [this](const Settings& settings) { window.ShowSettings(settings); };
  events.busy = [this](bool checking, bool updating) {
    window.ShowCheckRunning(checking);
    window.ShowUpdateRunning(updating);
  };
  events.startupCheckDone = [this](bool obtained, bool failed) { StartupCheckDone(obtained, failed); };
  events.problem = [this](const std::string& text) { ReportProblem(text); };
  events.notice = [this](const std::string& text) {
    if (trayInstalled) shell.Notify(text);
  };
  return events;
}

void Session::State::StartUp() {
  if (!options.dataFolder.empty()) {
    dataFolder = options.dataFolder;
  } else if (std::optional<std::string> folder = DataFolderPath(platform)) {
    dataFolder = std::move(*folder);
  } else {
    // Without a folder there is nowhere safe to keep the settings: say so once and write nothing.
    shell.Warn(kNoDataFolderWarning);
  }
  MonitorConfig config{dataFolder, platform.TempFolder(), BuildUserAgent(), options.developerMode};
  config.folderWaitMs = options.folderWaitMs;
  monitor = std::make_unique<Monitor>(platform, shell, std::move(config), Events());
  MonitorLoad load = monitor->Load();
  if (load.folderInUse) {
    folderInUse = true;
    ReportProblem(kFolderInUseStart + dataFolder + kFolderInUseEnd);
    RequestStop();
    return;
  }
  if (load.problem) {
    settingsUnreadable = true;
    ReportProblem(*load.problem);
  }
  window.ShowSettings(load.settings);
  if (!options.headless) ShowWindowOrTray();
  window.ShowComputerName(monitor->ComputerName());
  if (!stopRequested) monitor->Start();
}

void Session::State::ShowWindowOrTray() {
  const std::string logo = platform.ProgramFolder() + platform.PathSeparator() + kLogoFileName;
  if (platform.FileExists(logo)) shell.SetBackgroundPicture(logo);
  shell.HideWindow();
  shell.SetCaption(title);
  if (options.developerMode) {
    shell.SetWindowState(WindowState::Normal);
    shell.ShowWindow();
    return;
  }
  const WindowState state = shell.GetWindowState();
  restoreState = state == WindowState::Minimized ? WindowState::Normal : state;
  shell.AddToTray();
  trayInstalled = true;
}

// Message boxes show one at a time, in the order they were asked for: one asked for while another
// shows (its nested loop runs posted tasks) waits for it instead of opening on top of it.
void Session::State::Say(const std::string& text, const std::string& messageTitle) {
  if (stopRequested) return;
  messages.push_back({text, messageTitle});
  if (showingMessage) return;
  showingMessage = true;
  EnterNested();
  while (!messages.empty() && !stopRequested) {
    const Message next = std::move(messages.front());
    messages.pop_front();
    shell.MessageBox(next.text, next.title);
  }
  showingMessage = false;
  LeaveNested();
}

void Session::State::ReportProblem(const std::string& text) {
  shell.Warn(text);
  if (!options.headless) Say(text, title);
}

void Session::State::LeaveNested() {
  --nested;
  if (nested == 0 && stopRequested) FinishStop();
}

void Session::State::RequestStop() {
  if (stopRequested) return;
  stopRequested = true;
  // Once the start has loaded the settings the stop saves at once, even above a message box: the end
  // of a Windows session does not wait for the user to close it. A stop during the start waits for
  // the start's end (saving before the settings were read would overwrite them with defaults).
  if (nested == 0 || started) FinishStop();
}

void Session::State::FinishStop() {
  if (stopFinished) return;
  stopFinished = true;
  if (monitor) {
    const SaveResult result = monitor->Stop();
    if (!result.saved) {
      saved = false;
      const std::string text = kSaveFailed + result.file + ": " + result.reason;
      shell.Warn(text);
      if (!options.headless) shell.MessageBox(text, title);
    }
  }
  if (trayInstalled) shell.RemoveFromTray();
  shell.Quit();
}

void Session::State::StartupCheckDone(bool addressObtained, bool updateFailed) {
  startupResult = StartupCheckResult{addressObtained, updateFailed, settingsUnreadable};
  const auto waiters = std::exchange(startupWaiters, {});
  for (const auto& done : waiters) done(*startupResult);
}

void Session::State::ShowOrHide() {
  if (stopRequested) return;
  if (shell.WindowShown() && shell.GetWindowState() != WindowState::Minimized) {
    shell.SetWindowState(WindowState::Minimized);
    return;
  }
  shell.SetWindowState(WindowState::Normal);
  if (!shell.WindowShown()) shell.ShowWindow();
}

// The program's name, version and copyright, and its web address as text to copy: a box shows on
// every desktop, a browser need not exist.
void Session::State::ShowAbout() {
  const SplashText about = SplashTexts();
  Say(about.productName + " " + about.version + "\n" + about.copyright + "\n" + kPublisherPage,
      kAboutTitle + about.productName);
}

void Session::State::ShowFromTray() {
  if (stopRequested || options.headless) return;
  if (!started) {  // the start hides the window once more: show it after that
    showWhenStarted = true;
    return;
  }
  shell.ShowWindow();
  if (shell.GetWindowState() == WindowState::Minimized) shell.SetWindowState(restoreState);
  shell.ActivateWindow();
}

Session::Session(Platform& platform, Shell& shell, SessionOptions options)
    : state(std::make_unique<State>(platform, shell, std::move(options), *this)) {}

Session::~Session() {
  state->nested = 0;  // no loop is left to wait for
  state->FinishStop();
}

MainWindowModel& Session::Window() {
  return state->window;
}

void Session::Start() {
  State& s = *state;
  if (s.startCalled || s.stopRequested) return;
  s.startCalled = true;
  s.EnterNested();  // a stop asked for meanwhile (a signal during the splash) waits for the start
  if (!s.options.headless) s.shell.ShowSplash(SplashTexts());
  if (!s.stopRequested) s.StartUp();  // stopped during the splash: nothing loaded, nothing to save
  s.started = true;
  s.LeaveNested();
  if (s.showWhenStarted) s.ShowFromTray();
}

void Session::Stop() {
  state->RequestStop();
}

bool Session::Stopped() const {
  return state->stopRequested;
}

bool Session::SettingsSaved() const {
  return state->saved;
}

bool Session::FolderInUse() const {
  return state->folderInUse;
}

void Session::Reload() {
  if (state->Running()) state->monitor->Reload();
}

const std::vector<TrayMenuItem>& Session::TrayMenu() const {
  return state->trayMenu;
}

void Session::ShowFromTray() {
  state->ShowFromTray();
}

void Session::WhenStartupCheckDone(std::function<void(const StartupCheckResult&)> done) {
  if (state->startupResult) {
    done(*state->startupResult);
    return;
  }
  state->startupWaiters.push_back(std::move(done));
}

}  // namespace quorvane
