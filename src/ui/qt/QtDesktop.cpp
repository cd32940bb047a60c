#include "ui/qt/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <cstdio>

#include "app/Program.h"
#include "ui/qt/QtIcon.h"
#include "ui/qt/QtSplash.h"
#include "ui/qt/QtText.h"

namespace quorvane {

namespace {
constexpr int kTwipsPerInch = 1440;
constexpr const char* kNoTrayNote = " (no system tray: this window stays open)";
constexpr int kTrayWatchMs = 2000;
}  // namespace

QtDesktop::QtDesktop() : heightTwips(frmMain::kLoadedHeight) {}

QtDesktop::~QtDesktop() = default;

void QtDesktop::Attach(Program& attached) {
  program = &attached;
  frmMain& form = attached.form;
  window = std::make_unique<QtMainWindow>(
      form, QtMainWindow::Handlers{[this] { StopProgram(); }, [this] { Minimized(); }});
  window->setWindowIcon(ProgramIcon());
  form.AttachView(window.get());

  for (const TrayMenuItem& item : kTrayMenu) {
    if (item.caption == nullptr) {
      menu.addSeparator();
    } else if (item.handler == &frmMain::mnuTrayQuit_Click) {
      connect(menu.addAction(QString::fromLatin1(item.caption)), &QAction::triggered, this, [this, &form] {
        // Chosen while the start or a check waits in a message box, the stop waits for it (and unloads).
        if (started && !program->busy) form.mnuTrayQuit_Click();
        StopProgram();
      });
    } else {
      connect(menu.addAction(QString::fromLatin1(item.caption)), &QAction::triggered, this,
              [&form, handler = item.handler] { (form.*handler)(); });
    }
  }
  tray.setIcon(ProgramIcon());
  tray.setContextMenu(&menu);
  connect(&tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) ShowFromTray();
  });
}

void QtDesktop::Started() {
  started = true;
  if (showWhenStarted) ShowFromTray();
}

void QtDesktop::ShowFromTray() {
  if (stopped) return;
  if (!started) {  // the start sequence hides the window once more: show it after that
    showWhenStarted = true;
    return;
  }
  if (window->isMinimized()) SetWindowState(program->form.restoreState);
  window->show();
  window->raise();
  window->activateWindow();
}

void QtDesktop::StopProgram() {
  if (stopped) return;
  if (!started || program->busy) {
    // The start sequence, a check or an update is on the stack below a nested event loop (a message
    // box): let it end first. Saving before the settings were loaded would overwrite them with empty
    // fields; saving in the middle of a check would miss what it writes last.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    QTimer::singleShot(100, this, &QtDesktop::StopProgram);
    return;
  }
  stopped = true;
  if (!program->form.unloaded) program->form.Form_Unload();
  window->hide();
  QCoreApplication::quit();
}

void QtDesktop::Minimized() {
  // With a tray, minimizing hides the window and leaves only the icon; without one (none yet, or its
  // host has gone) it must stay reachable on the task bar.
  if (trayShown && QSystemTrayIcon::isSystemTrayAvailable())
    QMetaObject::invokeMethod(window.get(), &QWidget::hide, Qt::QueuedConnection);
}

void QtDesktop::ShowSplash(const SplashText& text) {
  QtSplash splash(text);
  splash.exec();
}

void QtDesktop::ShowWindow() {
  window->show();
}

void QtDesktop::HideWindow() {
  window->hide();
}

bool QtDesktop::WindowVisible() {
  return window->isVisible();
}

WindowState QtDesktop::GetWindowState() {
  if (window->isMinimized()) return WindowState::Minimized;
  return window->isMaximized() ? WindowState::Maximized : WindowState::Normal;
}

void QtDesktop::SetWindowState(WindowState state) {
  Qt::WindowStates states = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
  if (state == WindowState::Maximized) states |= Qt::WindowMaximized;
  window->setWindowState(states);
}

// The model speaks of two heights: the collapsed window and the one with the extension area. Qt's
// layout decides the pixels; the height in twips is kept so the model's comparisons hold.
void QtDesktop::SetWindowHeight(int twips) {
  heightTwips = twips;
  window->SetExpanded(twips >= frmMain::kExpandedHeight);
}

int QtDesktop::TwipsPerPixel() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
  return std::max(1, static_cast<int>(kTwipsPerInch / dpi));
}

int QtDesktop::WindowWidth() {
  return window->sizeHint().width() * TwipsPerPixel();
}

// The model centres its window from twips; the real window is centred from its real size.
void QtDesktop::MoveWindow(int, int) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window->frameGeometry();
    frame.setSize(window->sizeHint());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
  }
}

int QtDesktop::ScreenWidth() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->size().width() * TwipsPerPixel() : 0;
}

int QtDesktop::ScreenHeight() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->size().height() * TwipsPerPixel() : 0;
}

void QtDesktop::SetCaption(const std::string& text) {
  caption = text;
  window->setWindowTitle(ToQt(noTray ? text + kNoTrayNote : text));
}

void QtDesktop::SetBackgroundPicture(const std::string& path) {
  window->SetBackground(ToQt(path));
}

void QtDesktop::FocusControl(const std::string& controlName) {
  if (QWidget* widget = window->WidgetOf(controlName)) widget->setFocus(Qt::OtherFocusReason);
}

void QtDesktop::MessageBox(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, ToQt(title), ToQt(text), QMessageBox::Ok,
                  window->isVisible() ? window.get() : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtDesktop::SetClipboardText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->clear();
  clipboard->setText(ToQt(text));
  return true;
}

// The user's own viewer for the file type; the path goes as a URL, so blanks in it are no problem.
void QtDesktop::OpenTextViewer(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path.data(), qsizetype(path.size()))));
}

void QtDesktop::OpenWebPage(const std::string& url) {
  QDesktopServices::openUrl(QUrl(ToQt(url)));
}

void QtDesktop::AddToTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    // Hiding the window now would leave no way in at all. A tray that starts later (the panel of a
    // session still starting) is looked for and used when it comes.
    noTray = true;
    SetCaption(caption);
    window->show();
    connect(&trayWatch, &QTimer::timeout, this, &QtDesktop::LookForTray, Qt::UniqueConnection);
    trayWatch.start(kTrayWatchMs);
    return;
  }
  tray.show();
  trayShown = true;
}

void QtDesktop::LookForTray() {
  if (stopped || !QSystemTrayIcon::isSystemTrayAvailable()) return;
  trayWatch.stop();
  noTray = false;
  SetCaption(caption);
  tray.show();
  trayShown = true;
}

void QtDesktop::SetTrayTip(const std::string& tip) {
  tray.setToolTip(LinesToQt(tip));  // addresses only: nothing in it can read as markup
}

void QtDesktop::RemoveFromTray() {
  trayWatch.stop();
  tray.hide();
  trayShown = false;
}

void QtDesktop::Warn(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
}

void QtDesktop::StartTimer(int id, int periodMs, std::function<void()> procedure) {
  KillTimer(id);
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(periodMs);
  connect(timer.get(), &QTimer::timeout, this, std::move(procedure));
  timer->start();
  timers[id] = std::move(timer);
}

// The timer may be the one whose tick is running: it is stopped now and deleted later.
void QtDesktop::KillTimer(int id) {
  auto found = timers.find(id);
  if (found == timers.end()) return;
  found->second->stop();
  found->second.release()->deleteLater();
  timers.erase(found);
}

}  // namespace quorvane
