#include "frontends/qt/QtSplash.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "frontends/qt/QtIcon.h"
#include "frontends/qt/QtText.h"

namespace quorvane {

namespace {
// The layout in twips (1/1440 inch), converted at the screen's resolution.
constexpr int kWidthTwips = 7875, kHeightTwips = 2640;
constexpr int kFrameLeft = 150, kFrameTop = 120;
const QColor kSplashGrey(224, 224, 224);
const QColor kTextGrey(128, 128, 128);
}  // namespace

QtSplash::QtSplash(const SplashText& text) {
  setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setModal(true);
  const QScreen* screen = this->screen();
  const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
  auto px = [dpi](int twips) { return static_cast<int>(twips * dpi / 1440.0 + 0.5); };
  setFixedSize(px(kWidthTwips), px(kHeightTwips));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kSplashGrey);
  palette.setColor(QPalette::WindowText, kTextGrey);
  setPalette(palette);
  setAutoFillBackground(true);

  auto* logo = new QLabel(this);
  logo->setPixmap(ProgramPixmap(px(1935)));
  logo->setGeometry(px(kFrameLeft + 150), px(kFrameTop + 195), px(1965), px(1935));

  QFont title(QStringLiteral("Arial"));
  title.setPointSizeF(27.75);
  title.setBold(true);
  QFont small(QStringLiteral("Arial"));
  small.setPointSizeF(8.25);
  const struct {
    const std::string& text;
    const QFont& font;
    int left, top;
  } labels[] = {{text.productName, title, 2355, 405},
                {text.version, title, 5400, 450},
                {text.copyright, small, 2040, 1920}};
  for (const auto& entry : labels) {
    auto* label = new QLabel(ToQt(entry.text), this);
    label->setTextFormat(Qt::PlainText);
    label->setFont(entry.font);
    label->adjustSize();
    label->move(px(kFrameLeft + entry.left), px(kFrameTop + entry.top));
  }
  QTimer::singleShot(kShowMs, this, &QDialog::accept);
}

void QtSplash::keyPressEvent(QKeyEvent*) {
  accept();
}

void QtSplash::mousePressEvent(QMouseEvent*) {
  accept();
}

}  // namespace quorvane
