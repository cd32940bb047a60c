#include "frontends/qt/QtControlWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QValidator>
#include <algorithm>

#include "frontends/qt/QtText.h"

namespace quorvane {

namespace {
// The light grey of the panels behind the Dynamic DNS group and the interval and URL group.
const QColor kPanelGrey(224, 224, 224);
constexpr int kPasswordMask = '*';

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

void Fill(QWidget* widget) {
  widget->setAutoFillBackground(true);
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, kPanelGrey);
  widget->setPalette(palette);
}

void SetFont(QWidget* widget, bool bold, bool underline) {
  if (!bold && !underline) return;  // the toolkit's font, as it is
  QFont font = widget->font();
  font.setBold(bold);
  font.setUnderline(underline);
  widget->setFont(font);
}

QWidget* CreateLabel(Control& control) {
  // Every label reports clicks; the model gives only some of them something to do.
  auto* label = new ClickableLabel([&control] { control.Click(); });
  if (control.Has(Role::Link)) label->setCursor(Qt::PointingHandCursor);
  SetFont(label, control.Has(Role::Emphasised), control.Has(Role::Link));
  // Texts come from files and providers' answers: never read them as markup.
  label->setTextFormat(Qt::PlainText);
  return label;
}

QWidget* CreateTextBox(Control& control) {
  const bool editable = !control.Has(Role::ReadOnly);
  QWidget* widget = nullptr;
  if (control.Has(Role::MultiLine)) {
    auto* box = new QPlainTextEdit;
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setReadOnly(!editable);
    if (editable)
      QObject::connect(box, &QPlainTextEdit::textChanged, box,
                       [box, &control] { control.Edit(LinesFromQt(box->toPlainText())); });
    widget = box;
  } else {
    auto* box = new QLineEdit;
    box->setReadOnly(!editable);
    if (control.Has(Role::Centred)) box->setAlignment(Qt::AlignCenter);
    if (control.Has(Role::Secret)) {
      box->setEchoMode(QLineEdit::Password);
      box->setStyleSheet(QStringLiteral("lineedit-password-character: %1").arg(kPasswordMask));
    }
    box->setValidator(new Latin1Validator(box));
    if (editable)
      QObject::connect(box, &QLineEdit::textChanged, box,
                       [&control](const QString& text) { control.Edit(FromQt(text)); });
    widget = box;
  }
  SetFont(widget, control.Has(Role::Emphasised), false);
  return widget;
}

void PaintMultiLine(const Control& control, QPlainTextEdit* box) {
  const QString lines = LinesToQt(control.Text());
  // The program may show the URL list again without a last line end while the user is typing a new
  // line there: while the box has the focus, a difference in line ends at the end alone leaves it as
  // the user has it.
  const bool typing =
      box->hasFocus() && WithoutTrailingLineEnds(box->toPlainText()) == WithoutTrailingLineEnds(lines);
  if (box->toPlainText() != lines && !typing) {
    const int caret = box->textCursor().position();
    box->setPlainText(lines);
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(std::min(caret, static_cast<int>(lines.size())));
    box->setTextCursor(cursor);
  }
  if (control.Has(Role::FollowsEnd)) {  // the newest lines stay in view
    box->moveCursor(QTextCursor::End);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
  }
}
}  // namespace

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (onClick) onClick();
}

QWidget* CreateControlWidget(Control& control) {
  QWidget* widget = nullptr;
  switch (control.Kind()) {
    case ControlKind::Label:
      widget = CreateLabel(control);
      break;
    case ControlKind::TextBox:
      widget = CreateTextBox(control);
      break;
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox;
      QObject::connect(box, &QCheckBox::toggled, box, [&control](bool on) { control.Toggle(on); });
      widget = box;
      break;
    }
    case ControlKind::ComboBox: {
      auto* box = new QComboBox;
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      // As wide as its longest item at the font in use when shown, also when the desktop's font
      // settings arrive after the window opened at start ("DNS-O-Matic" cut to "-O-Matic").
      box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      box->setValidator(new Latin1Validator(box));
      QObject::connect(box, &QComboBox::editTextChanged, box,
                       [&control](const QString& text) { control.Edit(FromQt(text)); });
      widget = box;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton;
      QObject::connect(button, &QPushButton::clicked, button, [&control] { control.Click(); });
      SetFont(button, control.Has(Role::Emphasised), false);
      widget = button;
      break;
    }
    case ControlKind::Frame:
      widget = new QGroupBox;
      break;
  }
  // The name serves tests and accessibility tools only.
  widget->setObjectName(QString::fromStdString(control.Name()));
  PaintControlWidget(control, widget);
  return widget;
}

void PaintControlWidget(const Control& control, QWidget* widget) {
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
    if (control.Has(Role::FollowsEnd)) line->end(false);
  } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    PaintMultiLine(control, box);
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

QFrame* CreatePanel() {
  auto* panel = new QFrame;
  Fill(panel);
  return panel;
}

int LinesHigh(const QWidget* widget, int lines) {
  return widget->fontMetrics().lineSpacing() * lines + 2 * widget->fontMetrics().height() / 3;
}

}  // namespace quorvane
