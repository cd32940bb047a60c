#include "ui/qt/QtMainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QValidator>

#include "ui/qt/QtText.h"

namespace quorvane {

namespace {
// The light grey of the two panels behind the Dynamic DNS group and the interval and URL group.
const QColor kPanelGrey(224, 224, 224);
constexpr int kUrlBoxLines = 4;
constexpr int kLogBoxLines = 6;

QString WithoutTrailingLineEnds(QString text) {
  while (text.endsWith('\n')) text.chop(1);
  return text;
}

// Texts are kept as single bytes (Latin-1): a character that cannot be kept is refused as it is
// typed, so a masked password never turns into something else unseen.
class Latin1Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (const QChar c : input)
      if (c.unicode() > 0xFF) return Invalid;
    return Acceptable;
  }
};

QFrame* Panel() {
  auto* panel = new QFrame;
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, kPanelGrey);
  panel->setPalette(palette);
  return panel;
}

void MakeBold(QWidget* widget, bool underline = false) {
  QFont font = widget->font();
  font.setBold(true);
  font.setUnderline(underline);
  widget->setFont(font);
}

int LinesHigh(const QWidget* widget, int lines) {
  return widget->fontMetrics().lineSpacing() * lines + 2 * widget->fontMetrics().height() / 3;
}
}  // namespace

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (onClick) onClick();
}

QtMainWindow::QtMainWindow(frmMain& form, Handlers handlers) : form(form), handlers(std::move(handlers)) {
  auto* root = new QVBoxLayout(this);
  // The window follows its content: it grows with the extension area and shrinks without it.
  root->setSizeConstraint(QLayout::SetFixedSize);
  root->addWidget(BuildMainArea());
  extension = BuildExtensionArea();
  root->addWidget(extension);
  extension->hide();
  setWindowTitle(ToQt(form.Caption()));
}

QWidget* QtMainWindow::BuildMainArea() {
  auto* area = new QWidget;
  auto* column = new QVBoxLayout(area);
  column->setContentsMargins(0, 0, 0, 0);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(Bind(form.lblHostNameCaption));
  nameRow->addWidget(Bind(form.lblHostName));
  nameRow->addStretch();
  column->addLayout(nameRow);

  QFrame* ddns = Panel();
  auto* ddnsGrid = new QGridLayout(ddns);
  ddnsGrid->addWidget(Bind(form.chkUpdateDynDNS), 0, 0, 1, 2);
  ddnsGrid->addWidget(Bind(form.cmbDDNSservice), 0, 2);
  ddnsGrid->addWidget(Bind(form.cmdDDNSmore), 0, 3);
  int row = 1;
  for (auto [label, box] : {std::pair{&form.lblDDNSusername, &form.txtDDNSusername},
                            std::pair{&form.lblDDNSpassword, &form.txtDDNSpassword},
                            std::pair{&form.lblDDNShostname, &form.txtDDNShostname}}) {
    ddnsGrid->addWidget(Bind(*label), row, 0);
    ddnsGrid->addWidget(Bind(*box), row++, 1, 1, 3);
  }
  column->addWidget(ddns);

  QFrame* check = Panel();
  auto* checkGrid = new QGridLayout(check);
  checkGrid->addWidget(Bind(form.Label5), 0, 0);
  QWidget* interval = Bind(form.txtInterval);
  interval->setFixedWidth(interval->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  checkGrid->addWidget(interval, 0, 1);
  checkGrid->addWidget(Bind(form.Label7), 0, 2);
  checkGrid->addWidget(Bind(form.chkOffline), 0, 3, Qt::AlignRight);
  checkGrid->addWidget(Bind(form.Label4), 1, 0, 1, 4);
  QWidget* urls = Bind(form.txtExternalIPURL);
  urls->setFixedHeight(LinesHigh(urls, kUrlBoxLines));
  checkGrid->addWidget(urls, 2, 0, 1, 4);
  column->addWidget(check);

  auto* addresses = new QGridLayout;
  row = 0;
  for (auto [label, box, copy] : {std::tuple{&form.lblExternalIP, &form.txtExternalIP, &form.cmdCopyExtIP},
                                  std::tuple{&form.lblInternalIP, &form.txtInternalIP, &form.cmdCopyIntIP}}) {
    addresses->addWidget(Bind(*label), row, 0);
    addresses->addWidget(Bind(*box), row, 1);
    addresses->addWidget(Bind(*copy), row++, 2);
  }
  column->addLayout(addresses);
  column->addWidget(Bind(form.lblViewIPChangeLog), 0, Qt::AlignRight);

  column->addWidget(Bind(form.Label3));
  column->addWidget(Bind(form.lblStatus));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Bind(form.cmdCheckNow));
  buttons->addWidget(Bind(form.cmdUploadNow));
  column->addLayout(buttons);
  return area;
}

QWidget* QtMainWindow::BuildExtensionArea() {
  auto* area = new QWidget;
  auto* column = new QVBoxLayout(area);
  column->setContentsMargins(0, 0, 0, 0);

  // The option fields are the frame's children: while the frame is disabled they cannot be edited,
  // whatever their own enabled state says.
  auto* frame = static_cast<QGroupBox*>(Bind(form.frameDDNSoptions));
  auto* grid = new QGridLayout(frame);
  const std::pair<Control*, Control*> left[] = {{&form.lblDDNSsystem, &form.txtDDNSsystem},
                                                {&form.lblDDNSmx, &form.cmbDDNSmx},
                                                {&form.lblDDNSbackmx, &form.cmbDDNSbackMX}};
  const std::pair<Control*, Control*> right[] = {{&form.lblDDNSwildcard, &form.cmbDDNSwildcard},
                                                 {&form.lblDDNSoffline, &form.cmbDDNSoffline}};
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
  logRow->addWidget(Bind(form.Label2));
  logRow->addStretch();
  logRow->addWidget(Bind(form.chkExcessiveLogging));
  column->addLayout(logRow);
  QWidget* log = Bind(form.txtSMTPlog);
  log->setFixedHeight(LinesHigh(log, kLogBoxLines));
  column->addWidget(log);
  return area;
}

QWidget* QtMainWindow::Bind(Control& control) {
  const std::string& name = control.Name();
  QWidget* widget = nullptr;
  switch (control.Kind()) {
    case ControlKind::Label: {
      QLabel* label = nullptr;
      if (&control == &form.lblStatus) {
        label = new ClickableLabel([this] {
          std::int16_t index = 2;
          form.lblStatus_Click(index);
        });
        label->setWordWrap(true);
      } else if (&control == &form.lblViewIPChangeLog) {
        label = new ClickableLabel([this] { form.lblViewIPChangeLog_Click(); });
        label->setCursor(Qt::PointingHandCursor);
        MakeBold(label, true);
      } else {
        label = new QLabel;
        if (&control == &form.lblHostName) MakeBold(label);
      }
      // Texts come from files and providers' answers: never read them as markup.
      label->setTextFormat(Qt::PlainText);
      widget = label;
      break;
    }
    case ControlKind::TextBox:
      if (&control == &form.txtExternalIPURL || &control == &form.txtSMTPlog) {
        auto* box = new QPlainTextEdit;
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setTabChangesFocus(true);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        if (&control == &form.txtSMTPlog) {
          box->setReadOnly(true);
        } else {
          connect(box, &QPlainTextEdit::textChanged, this,
                  [box, &control] { control.SetText(LinesFromQt(box->toPlainText())); });
        }
        widget = box;
      } else {
        auto* box = new QLineEdit;
        if (&control == &form.txtExternalIP || &control == &form.txtInternalIP) {
          box->setReadOnly(true);
          box->setAlignment(Qt::AlignCenter);
          MakeBold(box);
        } else if (&control == &form.txtDDNSpassword) {
          box->setEchoMode(QLineEdit::Password);
          box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
        }
        if (&control == &form.txtInterval) box->installEventFilter(this);
        box->setValidator(new Latin1Validator(box));
        connect(box, &QLineEdit::textChanged, this,
                [&control](const QString& text) { control.SetText(FromQt(text)); });
        widget = box;
      }
      break;
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox;
      connect(box, &QCheckBox::toggled, this, [&control](bool on) { control.SetValue(on ? 1 : 0); });
      widget = box;
      break;
    }
    case ControlKind::ComboBox: {
      auto* box = new QComboBox;
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      box->setValidator(new Latin1Validator(box));
      connect(box, &QComboBox::editTextChanged, this,
              [&control](const QString& text) { control.SetText(FromQt(text)); });
      widget = box;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton;
      const std::map<const Control*, void (frmMain::*)()> clicks = {
          {&form.cmdDDNSmore, &frmMain::cmdDDNSmore_Click},
          {&form.cmdCopyExtIP, &frmMain::cmdCopyExtIP_Click},
          {&form.cmdCopyIntIP, &frmMain::cmdCopyIntIP_Click},
          {&form.cmdCheckNow, &frmMain::cmdCheckNow_Click},
          {&form.cmdUploadNow, &frmMain::cmdUploadNow_Click}};
      if (auto found = clicks.find(&control); found != clicks.end())
        connect(button, &QPushButton::clicked, this,
                [model = &form, click = found->second] { (model->*click)(); });
      if (&control == &form.cmdCheckNow || &control == &form.cmdUploadNow) MakeBold(button);
      widget = button;
      break;
    }
    case ControlKind::Frame:
      widget = new QGroupBox;
      break;
  }
  widget->setObjectName(QString::fromStdString(name));
  widgets[name] = {&control, widget};
  Show(control, widget);
  return widget;
}

void QtMainWindow::ControlChanged(const Control& control) {
  if (auto found = widgets.find(control.Name()); found != widgets.end()) Show(control, found->second.second);
}

// Brings a widget in line with its control. Signals are blocked so that the widget does not report
// the model's own change back as a user edit.
void QtMainWindow::Show(const Control& control, QWidget* widget) {
  const QSignalBlocker block(widget);
  widget->setEnabled(control.Enabled());
  widget->setToolTip(PlainTip(control.ToolTip()));
  const QString text = ToQt(control.Text());
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
    QPalette palette = label->palette();
    const Rgb colour = control.Colour();
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    label->setPalette(palette);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    if (line->text() != text) line->setText(text);  // a typed change is already there: keep the caret
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    const QString lines = LinesToQt(control.Text());
    // A check drops the URL list's last line end while the user may be typing a new line there: while
    // the box has the focus, a difference in line ends at the end alone leaves it as the user has it.
    const bool typing =
        box->hasFocus() && WithoutTrailingLineEnds(box->toPlainText()) == WithoutTrailingLineEnds(lines);
    if (box->toPlainText() != lines && !typing) {
      const int caret = box->textCursor().position();
      box->setPlainText(lines);
      QTextCursor cursor = box->textCursor();
      cursor.setPosition(std::min(caret, static_cast<int>(lines.size())));
      box->setTextCursor(cursor);
    }
    if (box->isReadOnly()) {  // the DDNS log: the newest lines stay in view
      box->moveCursor(QTextCursor::End);
      box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    }
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    check->setText(text);
    check->setChecked(control.Checked());
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    const std::vector<std::string>& items = control.Items();
    if (static_cast<std::size_t>(combo->count()) != items.size()) {
      combo->clear();
      for (const std::string& item : items) combo->addItem(ToQt(item));
    }
    if (combo->currentText() != text) combo->setEditText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(text);
  } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
    frame->setTitle(text);
  }
}

QWidget* QtMainWindow::WidgetOf(const std::string& controlName) const {
  auto found = widgets.find(controlName);
  return found == widgets.end() ? nullptr : found->second.second;
}

void QtMainWindow::SetExpanded(bool expanded) {
  extension->setVisible(expanded);
}

bool QtMainWindow::Expanded() const {
  return !extension->isHidden();
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

// The interval is checked when the focus moves to another field of the window; switching to another
// program is no edit and checks nothing.
bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      QMetaObject::invokeMethod(
          this, [this] { form.txtInterval_LostFocus(); }, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quorvane
