#include "platform/linux/QtArtwork.h"

#include <QColor>
#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QRadialGradient>

#include "platform/linux/QtDialogUnits.h"

namespace drivesmith {

namespace {

const QColor kBandTop(0x12, 0x2a, 0x5c);
const QColor kBandBottom(0x05, 0x0d, 0x24);
const QColor kBolt(0xff, 0xc8, 0x1e);
const QColor kBoltEdge(0x8a, 0x4b, 0x00);
const QColor kLettering(0xf2, 0xf5, 0xfa);

// A recordable disc: a rainbow sheen, a silver rim and the centre hole.
void DrawDisc(QPainter& painter, const QRectF& bounds) {
  const QPointF centre = bounds.center();
  const double radius = bounds.width() / 2.0;

  QConicalGradient sheen(centre, 30);
  sheen.setColorAt(0.00, QColor(0xd8, 0xe4, 0xf0));
  sheen.setColorAt(0.15, QColor(0x9f, 0xd7, 0xff));
  sheen.setColorAt(0.30, QColor(0xe6, 0xa8, 0xff));
  sheen.setColorAt(0.45, QColor(0xc0, 0xc8, 0xd4));
  sheen.setColorAt(0.60, QColor(0xff, 0xe2, 0x9a));
  sheen.setColorAt(0.75, QColor(0xa6, 0xf0, 0xc0));
  sheen.setColorAt(0.90, QColor(0xb8, 0xc4, 0xe8));
  sheen.setColorAt(1.00, QColor(0xd8, 0xe4, 0xf0));

  QPainterPath ring;
  ring.addEllipse(centre, radius, radius);
  ring.addEllipse(centre, radius * 0.22, radius * 0.22);
  painter.setPen(QPen(QColor(0x50, 0x58, 0x68), radius > 10 ? 1.0 : 0.6));
  painter.setBrush(sheen);
  painter.drawPath(ring);

  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0xff, 0xff, 0xff, 0x90), radius > 10 ? 1.0 : 0.5));
  painter.drawEllipse(centre, radius * 0.40, radius * 0.40);
}

// A flash bolt inside `bounds`, from top right to bottom left.
void DrawBolt(QPainter& painter, const QRectF& bounds) {
  const double x = bounds.x();
  const double y = bounds.y();
  const double w = bounds.width();
  const double h = bounds.height();
  const QPolygonF bolt({QPointF(x + 0.62 * w, y), QPointF(x + 0.18 * w, y + 0.56 * h),
                        QPointF(x + 0.46 * w, y + 0.56 * h), QPointF(x + 0.30 * w, y + h),
                        QPointF(x + 0.84 * w, y + 0.40 * h), QPointF(x + 0.55 * w, y + 0.40 * h),
                        QPointF(x + 0.70 * w, y)});
  painter.setPen(QPen(kBoltEdge, w > 12 ? 1.0 : 0.7));
  painter.setBrush(kBolt);
  painter.drawPolygon(bolt);
}

}  // namespace

QImage DrawApplicationIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const double margin = size / 16.0;
  DrawDisc(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
  DrawBolt(painter, QRectF(size * 0.28, size * 0.06, size * 0.44, size * 0.88));
  painter.end();
  return image;
}

QIcon ApplicationIcon() {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(DrawApplicationIcon(kLargeIconSize)));
  icon.addPixmap(QPixmap::fromImage(DrawApplicationIcon(kSmallIconSize)));
  return icon;
}

QImage DrawLogo() {
  QImage image(kLogoWidth, kLogoHeight, QImage::Format_RGB888);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient band(0, 0, 0, kLogoHeight);
  band.setColorAt(0.0, kBandTop);
  band.setColorAt(1.0, kBandBottom);
  painter.fillRect(image.rect(), band);

  // A disc rising out of the right-hand side of the band.
  DrawDisc(painter, QRectF(66, 6, 43, 43));
  DrawBolt(painter, QRectF(80, 9, 18, 37));

  QFont name(QString::fromLatin1(kDialogFontFamily));
  name.setPixelSize(21);
  name.setBold(true);
  name.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
  painter.setFont(name);
  painter.setPen(kLettering);
  painter.drawText(QRect(4, 6, 70, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TAVIX"));

  QFont tagline(QString::fromLatin1(kDialogFontFamily));
  tagline.setPixelSize(9);
  painter.setFont(tagline);
  painter.setPen(kBolt);
  painter.drawText(QRect(5, 32, 70, 14), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Drivesmith"));

  painter.setPen(QPen(kBolt, 1.0));
  painter.drawLine(QPointF(5, 47.5), QPointF(62, 47.5));
  painter.end();
  return image;
}

}  // namespace drivesmith
