// The pictures of the main window, drawn for this program: tool bar, file statuses, details expander.
#include "App/Gui/uMainPictures.h"

#include <QPainter>
#include <QPainterPath>

namespace tess::gui {

namespace {

// One palette for all pictures so that the tool bar reads as one set.
const QColor Paper(0xf4, 0xf6, 0xfa);
const QColor Ink(0x2b, 0x3a, 0x55);
const QColor Folder(0xe9, 0xb9, 0x4a);
const QColor Go(0x2f, 0xa8, 0x4f);
const QColor Halt(0xd9, 0x3f, 0x3f);
const QColor Accent(0x3b, 0x7d, 0xd8);

QPixmap Blank(int ASize) {
  QPixmap picture(ASize, ASize);
  picture.fill(Qt::transparent);
  return picture;
}

void Document(QPainter& APainter) {
  QPainterPath sheet;
  sheet.moveTo(7, 3);
  sheet.lineTo(19, 3);
  sheet.lineTo(25, 9);
  sheet.lineTo(25, 29);
  sheet.lineTo(7, 29);
  sheet.closeSubpath();
  APainter.setPen(QPen(Ink, 1.5));
  APainter.setBrush(Paper);
  APainter.drawPath(sheet);
  APainter.drawLine(QPointF(19, 3), QPointF(19, 9));
  APainter.drawLine(QPointF(19, 9), QPointF(25, 9));
  APainter.setPen(QPen(Ink.lighter(170), 1.5));
  for (int y = 13; y <= 23; y += 5) APainter.drawLine(10, y, 21, y);
}

void FolderShape(QPainter& APainter) {
  APainter.setPen(QPen(Folder.darker(150), 1.5));
  APainter.setBrush(Folder);
  QPainterPath shape;
  shape.moveTo(3, 8);
  shape.lineTo(12, 8);
  shape.lineTo(15, 11);
  shape.lineTo(29, 11);
  shape.lineTo(29, 27);
  shape.lineTo(3, 27);
  shape.closeSubpath();
  APainter.drawPath(shape);
}

void Gear(QPainter& APainter, QPointF ACentre, double ARadius) {
  APainter.setPen(QPen(Ink, 1.5));
  APainter.setBrush(QColor(0xc8, 0xd0, 0xdc));
  QPainterPath teeth;
  for (int i = 0; i < 8; ++i) {
    APainter.save();
    APainter.translate(ACentre);
    APainter.rotate(i * 45.0);
    APainter.drawRect(QRectF(-2.2, -ARadius - 3, 4.4, 5));
    APainter.restore();
  }
  APainter.drawEllipse(ACentre, ARadius, ARadius);
  APainter.setBrush(Paper);
  APainter.drawEllipse(ACentre, ARadius / 2.5, ARadius / 2.5);
}

// A round badge in the lower right corner: plus, cross or pencil marks what a command does.
void Badge(QPainter& APainter, const QColor& AColor, char AMark) {
  APainter.setPen(QPen(Qt::white, 1.5));
  APainter.setBrush(AColor);
  APainter.drawEllipse(QPointF(24, 24), 7, 7);
  APainter.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
  if (AMark == '+') {
    APainter.drawLine(QPointF(20.5, 24), QPointF(27.5, 24));
    APainter.drawLine(QPointF(24, 20.5), QPointF(24, 27.5));
  } else {
    APainter.drawLine(QPointF(21.5, 21.5), QPointF(26.5, 26.5));
    APainter.drawLine(QPointF(26.5, 21.5), QPointF(21.5, 26.5));
  }
}

void Pencil(QPainter& APainter) {
  APainter.save();
  APainter.translate(23, 23);
  APainter.rotate(45);
  APainter.setPen(QPen(Ink, 1.2));
  APainter.setBrush(Folder);
  APainter.drawRect(QRectF(-2.5, -11, 5, 14));
  QPainterPath tip;
  tip.moveTo(-2.5, 3);
  tip.lineTo(2.5, 3);
  tip.lineTo(0, 8);
  tip.closeSubpath();
  APainter.setBrush(Paper);
  APainter.drawPath(tip);
  APainter.restore();
}

}  // namespace

QPixmap ToolPicture(int AIndex) {
  QPixmap picture = Blank(32);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  switch (AIndex) {
    case 0:
      Document(painter);
      Badge(painter, Go, '+');
      break;
    case 1:
      FolderShape(painter);
      Badge(painter, Go, '+');
      break;
    case 2:
      Document(painter);
      Badge(painter, Halt, 'x');
      break;
    case 3: {
      QPainterPath play;
      play.moveTo(9, 5);
      play.lineTo(27, 16);
      play.lineTo(9, 27);
      play.closeSubpath();
      painter.setPen(QPen(Go.darker(140), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.setBrush(Go);
      painter.drawPath(play);
      break;
    }
    case 4:
      painter.setPen(QPen(Halt.darker(140), 1.5));
      painter.setBrush(Halt);
      painter.drawRoundedRect(QRectF(7, 7, 18, 18), 3, 3);
      break;
    case 5:
      Gear(painter, QPointF(14, 14), 8);
      Badge(painter, Go, '+');
      break;
    case 6:
      Gear(painter, QPointF(14, 14), 8);
      Pencil(painter);
      break;
    case 7:
      Gear(painter, QPointF(14, 14), 8);
      Badge(painter, Halt, 'x');
      break;
    default: {
      // Options: three sliders.
      painter.setPen(QPen(Ink, 2, Qt::SolidLine, Qt::RoundCap));
      for (int i = 0; i < 3; ++i) painter.drawLine(6, 8 + i * 8, 26, 8 + i * 8);
      painter.setPen(QPen(Ink, 1.5));
      painter.setBrush(Accent);
      const int knobs[3] = {20, 11, 17};
      for (int i = 0; i < 3; ++i) painter.drawEllipse(QPointF(knobs[i], 8 + i * 8), 3.5, 3.5);
      break;
    }
  }
  return picture;
}

QPixmap Greyed(const QPixmap& APicture) {
  QImage image = APicture.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = 96 + qGray(line[x]) / 2;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
    }
  }
  return QPixmap::fromImage(image);
}

QIcon ToolIcon(int AIndex) {
  const QPixmap picture = ToolPicture(AIndex);
  QIcon icon;
  icon.addPixmap(picture, QIcon::Normal);
  icon.addPixmap(Greyed(picture), QIcon::Disabled);
  return icon;
}

QList<QIcon> StatusImages() {
  QList<QIcon> images;
  for (int i = 0; i < 3; ++i) {
    QPixmap picture = Blank(16);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colours[3] = {Go, Halt, QColor(0x9a, 0xa3, 0xb0)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours[i]);
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (i == 0) {
      painter.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5.5)}));
    } else if (i == 1) {
      painter.drawLine(QPointF(5, 5), QPointF(11, 11));
      painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    } else {
      painter.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
    }
    painter.end();
    images.append(QIcon(picture));
  }
  return images;
}

QIcon FormFileIcon() {
  const QIcon themed = QIcon::fromTheme(QStringLiteral("text-x-generic"));
  if (!themed.isNull()) return themed;
  QPixmap picture = Blank(16);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(0.5, 0.5);
  Document(painter);
  painter.end();
  return QIcon(picture);
}

QPixmap DetailsPicture(int AIndex) {
  QPixmap picture = Blank(9);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Ink);
  QPolygonF arrow = AIndex == 0 ? QPolygonF({QPointF(2, 1), QPointF(7, 4.5), QPointF(2, 8)})
                                : QPolygonF({QPointF(1, 2), QPointF(8, 2), QPointF(4.5, 7)});
  painter.drawPolygon(arrow);
  return picture;
}

}  // namespace tess::gui
