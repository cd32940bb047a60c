#include "frontends/qt/QtMainWindow.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "frontends/qt/QtControlWidget.h"
#include "frontends/qt/QtText.h"

namespace quorvane {

namespace {
constexpr int kUrlBoxLines = 4;
constexpr int kUrlBoxLeastLines = 2;
constexpr int kLogBoxLines = 6;
constexpr int kLogBoxLeastLines = 1;
}  // namespace

QtMainWindow::QtMainWindow(MainWindowModel& model, Handlers handlers)
    : model(model), handlers(std::move(handlers)) {
  auto* root = new QVBoxLayout(this);
  // The window follows its content: it grows with the options area and shrinks without it.
  root->setSizeConstraint(QLayout::SetFixedSize);
  root->addWidget(BuildMainArea());
  optionsArea = BuildOptionsArea();
  root->addWidget(optionsArea);
  optionsArea->setVisible(model.Expanded());
  setWindowTitle(ToQt(model.Title()));
  // Tab walks the fields in the model's order, whatever order the layout created them in.
  QWidget* previous = nullptr;
  for (const Control* control : model.Controls()) {
    QWidget* widget = WidgetOf(*control);
    if (widget == nullptr || widget->focusPolicy() == Qt::NoFocus) continue;
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }
}

QWidget* QtMainWindow::BuildMainArea() {
  auto* area = new QWidget;
  auto* column = new QVBoxLayout(area);
  column->setContentsMargins(0, 0, 0, 0);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(Bind(model.computerNameLabel));
  nameRow->addWidget(Bind(model.computerName));
  nameRow->addStretch();
  column->addLayout(nameRow);

  QFrame* ddns = CreatePanel();
  auto* ddnsGrid = new QGridLayout(ddns);
  ddnsGrid->addWidget(Bind(model.updateEnabled), 0, 0, 1, 2);
  ddnsGrid->addWidget(Bind(model.service), 0, 2);
  ddnsGrid->addWidget(Bind(model.moreButton), 0, 3);
  int row = 1;
  for (auto [label, box] :
       {std::pair{&model.userNameLabel, &model.userName}, std::pair{&model.passwordLabel, &model.password},
        std::pair{&model.hostNamesLabel, &model.hostNames}}) {
    ddnsGrid->addWidget(Bind(*label), row, 0);
    ddnsGrid->addWidget(Bind(*box), row++, 1, 1, 3);
  }
  column->addWidget(ddns);

  QFrame* check = CreatePanel();
  auto* checkGrid = new QGridLayout(check);
  checkGrid->addWidget(Bind(model.intervalLabel), 0, 0);
  QWidget* interval = Bind(model.intervalBox);
  interval->setFixedWidth(interval->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  checkGrid->addWidget(interval, 0, 1);
  checkGrid->addWidget(Bind(model.minutesLabel), 0, 2);
  checkGrid->addWidget(Bind(model.suspended), 0, 3, Qt::AlignRight);
  checkGrid->addWidget(Bind(model.echoUrlsLabel), 1, 0, 1, 4);
  urlBox = Bind(model.echoUrls);
  urlBox->setFixedHeight(LinesHigh(urlBox, kUrlBoxLines));
  checkGrid->addWidget(urlBox, 2, 0, 1, 4);
  column->addWidget(check);

  auto* addresses = new QGridLayout;
  row = 0;
  for (auto [label, box, copy] :
       {std::tuple{&model.externalAddressLabel, &model.externalAddress, &model.copyExternal},
        std::tuple{&model.internalAddressLabel, &model.internalAddress, &model.copyInternal}}) {
    addresses->addWidget(Bind(*label), row, 0);
    addresses->addWidget(Bind(*box), row, 1);
    addresses->addWidget(Bind(*copy), row++, 2);
  }
  column->addLayout(addresses);
  column->addWidget(Bind(model.viewLog), 0, Qt::AlignRight);

  column->addWidget(Bind(model.statusLabel));
  // The status line spans the window and may carry a long answer: it wraps rather than widening it.
  QWidget* status = Bind(model.status);
  static_cast<QLabel*>(status)->setWordWrap(true);
  column->addWidget(status);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Bind(model.checkNow));
  buttons->addWidget(Bind(model.updateNow));
  column->addLayout(buttons);
  return area;
}

QWidget* QtMainWindow::BuildOptionsArea() {
  auto* area = new QWidget;
  auto* column = new QVBoxLayout(area);
  column->setContentsMargins(0, 0, 0, 0);

  // The option fields are the frame's children: while the frame is disabled they cannot be edited,
  // whatever their own enabled state says.
  QWidget* frame = Bind(model.options);
  auto* grid = new QGridLayout(frame);
  const std::pair<Control*, Control*> left[] = {{&model.systemLabel, &model.system},
                                                {&model.mxLabel, &model.mx},
                                                {&model.backupMxLabel, &model.backupMx}};
  const std::pair<Control*, Control*> right[] = {{&model.wildcardLabel, &model.wildcard},
                                                 {&model.offlineLabel, &model.offline}};
  for (int row = 0; row < 3; ++row) {
    grid->addWidget(Bind(*left[row].first), row, 0);
    grid->addWidget(Bind(*left[row].second), row, 1);
    if (row < 2) {
      grid->addWidget(Bind(*right[row].first), row, 2);
      grid->addWidget(Bind(*right[row].second), row, 3);
    }
  }
  column->addWidget(frame);

  auto* logRow = new QHBoxLayout;
  logRow->addWidget(Bind(model.ddnsLogLabel));
  logRow->addStretch();
  logRow->addWidget(Bind(model.logEverything));
  column->addLayout(logRow);
  logBox = Bind(model.ddnsLog);
  logBox->setFixedHeight(LinesHigh(logBox, kLogBoxLines));
  column->addWidget(logBox);
  return area;
}

QWidget* QtMainWindow::Bind(Control& control) {
  QWidget* widget = CreateControlWidget(control);
  widgets[&control] = widget;
  if (control.Has(Role::Validated)) {
    widget->installEventFilter(this);
    validated[widget] = &control;
  }
  return widget;
}

void QtMainWindow::ControlChanged(const Control& control) {
  if (QWidget* widget = WidgetOf(control)) PaintControlWidget(control, widget);
}

QWidget* QtMainWindow::WidgetOf(const Control& control) const {
  auto found = widgets.find(&control);
  return found == widgets.end() ? nullptr : found->second;
}

void QtMainWindow::SetExpanded(bool expanded) {
  optionsArea->setVisible(expanded);
}

bool QtMainWindow::Expanded() const {
  return !optionsArea->isHidden();
}

void QtMainWindow::LayOutNow() {
  for (QLayout* inner : findChildren<QLayout*>()) inner->activate();
  layout()->activate();
}

void QtMainWindow::ShrinkBoxes(int tooTallBy) {
  int left = std::max(tooTallBy, 0);
  for (auto [box, lines, least] : {std::tuple{logBox, kLogBoxLines, kLogBoxLeastLines},
                                   std::tuple{urlBox, kUrlBoxLines, kUrlBoxLeastLines}}) {
    const int full = LinesHigh(box, lines);
    const int height = std::max(LinesHigh(box, least), full - left);
    box->setFixedHeight(height);
    left -= full - height;
  }
}

bool QtMainWindow::SetBackground(const QString& path) {
  QPixmap picture;
  if (!picture.load(path)) return false;
  background = picture;
  update();
  return true;
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (handlers.closing) handlers.closing();
}

void QtMainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && handlers.minimizing)
    handlers.minimizing();
}

void QtMainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (background.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(rect(),
                     background.scaled(size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));
}

// A validated field is checked when the focus moves to another field of the window, once it has
// settled there (the check may give the focus back); switching to another program is no edit and
// checks nothing.
bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    auto found = validated.find(watched);
    if (found != validated.end() && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      QMetaObject::invokeMethod(
          this, [control = found->second] { control->Leave(); }, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quorvane
