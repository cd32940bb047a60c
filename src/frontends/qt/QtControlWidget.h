#pragma once

#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "app/Control.h"

namespace quorvane {

// A label that reports a click (the model decides whether a click does anything).
class ClickableLabel : public QLabel {
 public:
  explicit ClickableLabel(std::function<void()> onClick) : onClick(std::move(onClick)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::function<void()> onClick;
};

// The widget for a control, chosen and set up from the control's kind and roles alone, and wired so
// that what the user does reaches the control (Edit, Toggle, Click). Validated controls are left to
// the window, which knows where the focus goes.
QWidget* CreateControlWidget(Control& control);

// Brings the widget in line with its control (text, items, check mark, enabled state, colour, tip)
// without reporting the change back as the user's edit. Equal text is left alone, so the caret stays.
void PaintControlWidget(const Control& control, QWidget* widget);

// The light grey panel behind a group of fields.
QFrame* CreatePanel();

// The height of a box that shows this many lines of its font.
int LinesHigh(const QWidget* widget, int lines);

}  // namespace quorvane
