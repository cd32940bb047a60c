#include "frontends/qt/QtShell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "app/Session.h"
#include "frontends/qt/QtIcon.h"
#include "frontends/qt/QtSplash.h"
#include "frontends/qt/QtText.h"
#include "frontends/qt/QtTrayHost.h"

namespace quorvane {

namespace {
constexpr const char* kNoTrayNote = " (no system tray: this window stays open)";
constexpr int kTrayWatchMs = 2000;
// Set in the environment: each "More..." reports the window's layout on stderr (see ReportLayout).
constexpr const char* kLayoutReportVariable = "QUORVANE_LAYOUT_REPORT";
}  // namespace

QtShell::QtShell() {
  hostWatch.setConnection(QDBusConnection::sessionBus());
  hostWatch.setWatchMode(QDBusServiceWatcher::WatchForRegistration);
  hostWatch.addWatchedService(QString::fromLatin1(kStatusNotifierWatcher));
  // Its host registers a moment later; the poll that runs while there is no tray catches that.
  connect(&hostWatch, &QDBusServiceWatcher::serviceRegistered, this, &QtShell::LookForTray);
}

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
}

void QtShell::ShowTrayIcon() {
  if (!tray) {
    tray = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    tray->setContextMenu(&menu);
    tray->setToolTip(LinesToQt(trayTip));  // addresses only: nothing in it can read as markup
    connect(tray.get(), &QSystemTrayIcon::messageClicked, this, [this] { session->ShowFromTray(); });
    connect(tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        session->ShowFromTray();
    });
  }
  tray->show();
  trayShown = true;
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
  if (window->Expanded()) KeepOnScreen();
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
  // With a tray, minimizing means hiding in it. The window is hidden without being iconified: an
  // iconified window keeps "iconic" in its X hints, and a window manager then maps it iconic again at
  // each show, which would read as the next minimize.
  if (state == WindowState::Minimized && trayShown && QSystemTrayIcon::isSystemTrayAvailable()) {
    window->hide();
    return;
  }
  Qt::WindowStates states = window->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
  if (state == WindowState::Maximized) states |= Qt::WindowMaximized;
  window->setWindowState(states);
}

void QtShell::SetExpanded(bool expanded) {
  window->SetExpanded(expanded);
  if (!expanded)
    window->ShrinkBoxes(0);  // the URL box may have given up lines for the options
  else if (window->isVisible())
    KeepOnScreen();
  if (qEnvironmentVariableIsSet(kLayoutReportVariable)) ReportLayout();
}

void QtShell::KeepOnScreen() {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  window->ShrinkBoxes(0);
  window->LayOutNow();
  const int frameHeight = window->frameGeometry().height() - window->height();
  window->ShrinkBoxes(window->height() + frameHeight - area.height());
  window->LayOutNow();
  QRect frame = window->frameGeometry();
  frame.setHeight(window->height() + frameHeight);
  if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
  if (frame.top() < area.top()) frame.moveTop(area.top());
  window->move(frame.topLeft());
}

void QtShell::ReportLayout() {
  const QRect frame = window->frameGeometry();
  const QRect area = window->screen()->availableGeometry();
  std::string cut;
  for (const QWidget* widget : window->findChildren<QWidget*>()) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    const bool caption = (label != nullptr && !label->wordWrap()) ||
                         qobject_cast<const QAbstractButton*>(widget) ||
                         qobject_cast<const QComboBox*>(widget) || qobject_cast<const QGroupBox*>(widget);
    if (caption && widget->isVisibleTo(window.get()) && widget->width() < widget->sizeHint().width())
      cut += " " + widget->objectName().toStdString();
  }
  std::fprintf(stderr, "layout: window %d %d %d %d, free area %d %d %d %d, cut:%s\n", frame.x(), frame.y(),
               frame.width(), frame.height(), area.x(), area.y(), area.width(), area.height(), cut.c_str());
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
  if (!StatusNotifierHostPresent() && !XEmbedTrayPresent()) {
    // Hiding the window now would leave no way in at all. A tray that starts later (the panel of a
    // session still starting) is looked for and used when it comes.
    noTray = true;
    SetCaption(caption);
    ShowWindow();
    connect(&trayWatch, &QTimer::timeout, this, &QtShell::LookForTray, Qt::UniqueConnection);
    trayWatch.start(kTrayWatchMs);
    return;
  }
  ShowTrayIcon();
}

void QtShell::LookForTray() {
  if (ended || !noTray || (!StatusNotifierHostPresent() && !XEmbedTrayPresent())) return;
  trayWatch.stop();
  noTray = false;
  SetCaption(caption);
  ShowTrayIcon();
}

void QtShell::SetTrayTip(const std::string& tip) {
  trayTip = tip;
  if (tray) tray->setToolTip(LinesToQt(tip));
}

void QtShell::Notify(const std::string& text) {
  // The desktop's notification service, or Qt's own balloon where there is none.
  if (tray && tray->isVisible()) tray->showMessage(ToQt(caption), ToQt(text), ProgramIcon());
}

void QtShell::RemoveFromTray() {
  trayWatch.stop();
  if (tray) tray->hide();
  trayShown = false;
}

void QtShell::Warn(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
}

}  // namespace quorvane
