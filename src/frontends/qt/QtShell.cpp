#include "frontends/qt/QtShell.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <cstdio>

#include "app/Session.h"
#include "frontends/qt/QtIcon.h"
#include "frontends/qt/QtSplash.h"
#include "frontends/qt/QtText.h"

namespace quorvane {

namespace {
constexpr const char* kNoTrayNote = " (no system tray: this window stays open)";
constexpr int kTrayWatchMs = 2000;
}  // namespace

QtShell::QtShell() = default;

QtShell::~QtShell() = default;

void QtShell::Attach(Session& attached) {
  session = &attached;
  MainWindowModel& model = attached.Window();
  caption = model.Title();
  window = std::make_unique<QtMainWindow>(
      model, QtMainWindow::Handlers{[this] { session->Stop(); }, [this] { Minimized(); }});
  window->setWindowIcon(ProgramIcon());
  model.AttachView(window.get());

  for (const TrayMenuItem& item : attached.TrayMenu()) {
    if (item.caption.empty()) {
      menu.addSeparator();
    } else {
      QAction* action = menu.addAction(ToQt(item.caption));
      connect(action, &QAction::triggered, this, [run = item.action] {
        if (run) run();
      });
      if (item.checked) {
        action->setCheckable(true);
        connect(&menu, &QMenu::aboutToShow, action,
                [action, checked = item.checked] { action->setChecked(checked()); });
      }
    }
  }
  tray.setIcon(ProgramIcon());
  tray.setContextMenu(&menu);
  connect(&tray, &QSystemTrayIcon::messageClicked, this, [this] { session->ShowFromTray(); });
  connect(&tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) session->ShowFromTray();
  });
}

// Queued on this object, which lives on the UI thread: Qt hands the call to that thread's loop,
// whichever thread posts. Once Quit has run nothing more runs, also what was already queued.
void QtShell::Post(std::function<void()> task) {
  if (ended) return;
  QMetaObject::invokeMethod(
      this,
      [this, task = std::move(task)] {
        if (!ended) task();
      },
      Qt::QueuedConnection);
}

void QtShell::StopFromOutside() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isModal() && widget->isVisible()) widget->close();
  if (session != nullptr) session->Stop();
}

void QtShell::Quit() {
  ended = true;
  trayWatch.stop();
  if (window) window->hide();
  QCoreApplication::quit();
}

void QtShell::Minimized() {
  // With a tray, minimizing hides the window and leaves only the icon; without one (none yet, or its
  // host has gone) it must stay reachable on the task bar.
  if (trayShown && QSystemTrayIcon::isSystemTrayAvailable())
    QMetaObject::invokeMethod(window.get(), &QWidget::hide, Qt::QueuedConnection);
}

void QtShell::ShowSplash(const SplashText& text) {
  QtSplash splash(text);
  splash.exec();
}

void QtShell::ShowWindow() {
  if (!centred) {
    centred = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = window->frameGeometry();
      frame.setSize(window->sizeHint());
      frame.moveCenter(screen->availableGeometry().center());
      window->move(frame.topLeft());
    }
  }
  window->show();
}

void QtShell::ActivateWindow() {
  window->raise();
  window->activateWindow();
}

void QtShell::HideWindow() {
  window->hide();
}

bool QtShell::WindowShown() {
  return window->isVisible();
}

WindowState QtShell::GetWindowState() {
  if (window->isMinimized()) return WindowState::Minimized;
  return window->isMaximized() ? WindowState::Maximized : WindowState::Normal;
}

void QtShell::SetWindowState(WindowState state) {
  Qt::WindowStates states = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
  if (state == WindowState::Maximized) states |= Qt::WindowMaximized;
  window->setWindowState(states);
}

void QtShell::SetExpanded(bool expanded) {
  window->SetExpanded(expanded);
}

void QtShell::SetCaption(const std::string& text) {
  caption = text;
  window->setWindowTitle(ToQt(noTray ? text + kNoTrayNote : text));
}

void QtShell::SetBackgroundPicture(const std::string& path) {
  window->SetBackground(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
}

void QtShell::FocusControl(const Control& control) {
  if (QWidget* widget = window->WidgetOf(control)) widget->setFocus(Qt::OtherFocusReason);
}

void QtShell::MessageBox(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::NoIcon, ToQt(title), ToQt(text), QMessageBox::Ok,
                  window && window->isVisible() ? window.get() : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtShell::SetClipboardText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->clear();
  clipboard->setText(ToQt(text));
  return true;
}

// The user's own viewer for the file type; the path goes as a URL, so blanks in it are no problem.
void QtShell::OpenTextViewer(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path.data(), qsizetype(path.size()))));
}

void QtShell::AddToTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    // Hiding the window now would leave no way in at all. A tray that starts later (the panel of a
    // session still starting) is looked for and used when it comes.
    noTray = true;
    SetCaption(caption);
    ShowWindow();
    connect(&trayWatch, &QTimer::timeout, this, &QtShell::LookForTray, Qt::UniqueConnection);
    trayWatch.start(kTrayWatchMs);
    return;
  }
  tray.show();
  trayShown = true;
}

void QtShell::LookForTray() {
  if (ended || !QSystemTrayIcon::isSystemTrayAvailable()) return;
  trayWatch.stop();
  noTray = false;
  SetCaption(caption);
  tray.show();
  trayShown = true;
}

void QtShell::SetTrayTip(const std::string& tip) {
  tray.setToolTip(LinesToQt(tip));  // addresses only: nothing in it can read as markup
}

void QtShell::Notify(const std::string& text) {
  // The desktop's notification service, or Qt's own balloon where there is none.
  if (tray.isVisible()) tray.showMessage(ToQt(caption), ToQt(text), ProgramIcon());
}

void QtShell::RemoveFromTray() {
  trayWatch.stop();
  tray.hide();
  trayShown = false;
}

void QtShell::Warn(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace quorvane
