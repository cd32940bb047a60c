#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "ui/frmMain.h"

namespace quorvane {

// A label that reports a click: the status line and the "View Log" link.
class ClickableLabel : public QLabel {
 public:
  explicit ClickableLabel(std::function<void()> onClick) : onClick(std::move(onClick)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::function<void()> onClick;
};

// The main window on Qt Widgets: one widget per control of the window model. Every user edit goes
// into the model at once; every change the model announces repaints its widget.
class QtMainWindow : public QWidget, public FormView {
 public:
  struct Handlers {
    std::function<void()> closing;     // the close box: the program stops
    std::function<void()> minimizing;  // the window was minimized
  };

  QtMainWindow(frmMain& form, Handlers handlers);

  void ControlChanged(const Control& control) override;
  // The widget that shows a control, or nullptr.
  QWidget* WidgetOf(const std::string& controlName) const;
  // Shows or hides the extension area (the options frame and the DDNS log).
  void SetExpanded(bool expanded);
  bool Expanded() const;
  // The picture drawn behind the controls, scaled to the window; false when it cannot be read.
  bool SetBackground(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildMainArea();
  QWidget* BuildExtensionArea();
  // Creates the widget for a control and ties both directions together.
  QWidget* Bind(Control& control);
  void Show(const Control& control, QWidget* widget);

  frmMain& form;
  Handlers handlers;
  std::map<std::string, std::pair<Control*, QWidget*>> widgets;
  QWidget* extension = nullptr;
  QPixmap background;
};

}  // namespace quorvane
