#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <map>

#include "app/MainWindowModel.h"

namespace quorvane {

// The main window on Qt Widgets: one widget per control of the window model, painted and wired from
// the control's kind and roles. Every user edit goes into the model at once; every change the model
// announces repaints its widget.
class QtMainWindow : public QWidget, public ControlObserver {
 public:
  struct Handlers {
    std::function<void()> closing;     // the close box: the program stops
    std::function<void()> minimizing;  // the window was minimized
  };

  QtMainWindow(MainWindowModel& model, Handlers handlers);

  void ControlChanged(const Control& control) override;
  // The widget that shows a control, or nullptr.
  QWidget* WidgetOf(const Control& control) const;
  // Shows or hides the options area (the options frame and the DDNS log).
  void SetExpanded(bool expanded);
  bool Expanded() const;
  // Makes the window up to tooTallBy pixels shorter: the DDNS log box gives up to five of its six
  // lines, then the URL box two of its four. Zero or less gives both their full height.
  void ShrinkBoxes(int tooTallBy);
  // Lays the window out now, inner areas first, instead of at the next events.
  void LayOutNow();
  // The picture drawn behind the controls, scaled to the window; false when it cannot be read.
  bool SetBackground(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildMainArea();
  QWidget* BuildOptionsArea();
  // Creates the widget for a control and ties both directions together.
  QWidget* Bind(Control& control);

  MainWindowModel& model;
  Handlers handlers;
  std::map<const Control*, QWidget*> widgets;
  std::map<const QObject*, Control*> validated;  // the widgets whose leaving runs the model's check
  QWidget* optionsArea = nullptr;
  QWidget* urlBox = nullptr;
  QWidget* logBox = nullptr;
  QPixmap background;
};

}  // namespace quorvane
