#include "frontends/qt/QtIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane {

namespace {
const QColor kGlobeBlue(31, 111, 178);
const QColor kGlobeLines(200, 225, 245);
const QColor kArrowGreen(46, 157, 74);
}  // namespace

// Drawn on a 64 x 64 grid and scaled to the size asked for.
QPixmap ProgramPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);

  painter.setPen(Qt::NoPen);
  painter.setBrush(kGlobeBlue);
  painter.drawEllipse(QRectF(4, 4, 48, 48));
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kGlobeLines, 2.5));
  painter.drawEllipse(QRectF(17, 5, 22, 46));  // meridian
  painter.drawLine(QPointF(28, 5), QPointF(28, 51));
  painter.drawLine(QPointF(5, 28), QPointF(51, 28));  // equator
  painter.drawLine(QPointF(9, 17), QPointF(47, 17));
  painter.drawLine(QPointF(9, 39), QPointF(47, 39));

  // The arrow: a white-edged green disc with an upward arrow, at the lower right.
  painter.setPen(QPen(Qt::white, 3));
  painter.setBrush(kArrowGreen);
  painter.drawEllipse(QRectF(34, 34, 28, 28));
  QPainterPath arrow;
  arrow.moveTo(48, 38);
  arrow.lineTo(57, 48);
  arrow.lineTo(51.5, 48);
  arrow.lineTo(51.5, 57);
  arrow.lineTo(44.5, 57);
  arrow.lineTo(44.5, 48);
  arrow.lineTo(39, 48);
  arrow.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawPath(arrow);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(ProgramPixmap(size));
  return icon;
}

}  // namespace quorvane
