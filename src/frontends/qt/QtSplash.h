#pragma once

#include <QDialog>

#include "app/Shell.h"

namespace quorvane {

// The splash window: no caption, grey, the program's mark, title, version and copyright line. It
// closes after two seconds, on any key or on a click.
class QtSplash : public QDialog {
 public:
  static constexpr int kShowMs = 2000;

  explicit QtSplash(const SplashText& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace quorvane
