#include "ui/icon.h"

#include <QPainter>
#include <QPainterPath>

namespace inicrypt::ui {
namespace {

// The page with a folded corner and its lines, on a 128-unit grid.
void DrawPage(QPainter& p) {
  QPainterPath page;
  page.moveTo(18, 8);
  page.lineTo(80, 8);
  page.lineTo(104, 32);
  page.lineTo(104, 120);
  page.lineTo(18, 120);
  page.closeSubpath();
  p.setPen(QPen(QColor(0x5b, 0x6b, 0x7c), 3));
  p.setBrush(QColor(0xfb, 0xfc, 0xfe));
  p.drawPath(page);
  p.setBrush(QColor(0xd8, 0xe0, 0xea));
  p.drawPolygon(QPolygonF({QPointF(80, 8), QPointF(80, 32), QPointF(104, 32)}));
  // "[section]" then "key=value" lines.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2f, 0x6f, 0xc0));
  p.drawRect(28, 30, 4, 14);  // [
  p.drawRect(28, 30, 9, 3);
  p.drawRect(28, 41, 9, 3);
  p.drawRect(41, 35, 20, 4);
  p.drawRect(65, 30, 4, 14);  // ]
  p.drawRect(60, 30, 9, 3);
  p.drawRect(60, 41, 9, 3);
  p.setBrush(QColor(0x8a, 0x97, 0xa6));
  for (int y : {54, 66, 78}) {
    p.drawRect(28, y, 20, 4);
    p.drawRect(52, y, 34, 4);
  }
}

void DrawPadlock(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x6b, 0x55, 0x1e), 9, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(70, 58, 36, 40), 0, 180 * 16);
  p.drawLine(QPointF(70, 78), QPointF(70, 86));
  p.drawLine(QPointF(106, 78), QPointF(106, 86));
  p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 3));
  p.setBrush(QColor(0xf2, 0xb1, 0x2c));
  p.drawRoundedRect(QRectF(58, 80, 60, 42), 7, 7);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x5a, 0x3a, 0x00));
  p.drawEllipse(QPointF(88, 96), 6, 6);
  p.drawRect(QRectF(85.5, 98, 5, 13));
}

}  // namespace

QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 128.0, size / 128.0);
  DrawPage(p);
  DrawPadlock(p);
  return image;
}

}  // namespace inicrypt::ui
