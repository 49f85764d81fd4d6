#include "app/frame/CommandIcons.h"

#include "app/frame/CommandIds.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>
#include <numbers>

namespace tarsel::frame {
namespace {

using Drawing = std::function<void(QPainter&)>;

// Every drawing is made on a 24 by 24 grid.
constexpr double kGrid = 24.0;
const QColor kOutline(0x30, 0x33, 0x38);
const QColor kBody(0x4a, 0x4e, 0x55);
const QColor kGlass(0x6f, 0xa8, 0xdc);
const QColor kArrow(0x2e, 0x8b, 0x3e);
const QColor kBlue(0x2f, 0x6d, 0xb5);

void Camera(QPainter& p) {
  p.setPen(QPen(kOutline, 1.0));
  p.setBrush(QColor(0xd8, 0x3a, 0x2e));
  p.drawRect(QRectF(16.5, 4.5, 3.5, 2.5));
  p.setBrush(kBody);
  p.drawRect(QRectF(7.5, 4.0, 7.0, 3.5));
  p.drawRoundedRect(QRectF(2.0, 6.5, 20.0, 14.0), 2.0, 2.0);
  p.setBrush(QColor(0xb8, 0xbc, 0xc2));
  p.drawEllipse(QPointF(12.0, 13.5), 5.0, 5.0);
  p.setBrush(kGlass);
  p.drawEllipse(QPointF(12.0, 13.5), 3.0, 3.0);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(11.0, 12.5), 0.9, 0.9);
}

// `drawing` shrunk to `scale` with its top-left corner at (x, y).
void Shrunk(QPainter& p, const Drawing& drawing, double x, double y, double scale) {
  p.save();
  p.translate(x, y);
  p.scale(scale, scale);
  drawing(p);
  p.restore();
}

// Mirrored left to right.
void Mirrored(QPainter& p, const Drawing& drawing) {
  p.save();
  p.translate(kGrid, 0.0);
  p.scale(-1.0, 1.0);
  drawing(p);
  p.restore();
}

void Disk(QPainter& p) {
  p.setPen(QPen(kOutline, 1.0));
  p.setBrush(kBlue);
  QPainterPath body;
  body.moveTo(3.0, 3.0);
  body.lineTo(18.0, 3.0);
  body.lineTo(21.0, 6.0);
  body.lineTo(21.0, 21.0);
  body.lineTo(3.0, 21.0);
  body.closeSubpath();
  p.drawPath(body);
  p.setBrush(QColor(0xe4, 0xe8, 0xee));
  p.drawRect(QRectF(6.5, 3.0, 10.0, 6.5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.0, 13.0, 12.0, 8.0));
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawRect(QRectF(13.0, 4.0, 2.5, 4.5));
}

void Pencil(QPainter& p) {
  p.save();
  p.translate(17.0, 17.0);
  p.rotate(-45.0);
  p.setPen(QPen(kOutline, 0.8));
  p.setBrush(QColor(0xf2, 0xb8, 0x2c));
  p.drawRect(QRectF(-6.0, -1.8, 10.0, 3.6));
  p.setBrush(QColor(0xf3, 0xd9, 0xa4));
  QPainterPath tip;
  tip.moveTo(-6.0, -1.8);
  tip.lineTo(-9.0, 0.0);
  tip.lineTo(-6.0, 1.8);
  tip.closeSubpath();
  p.drawPath(tip);
  p.restore();
}

void ArrowLeft(QPainter& p) {
  p.setPen(QPen(kOutline.darker(110), 1.0));
  p.setBrush(kArrow);
  const QPointF points[] = {{3.0, 12.0},  {11.0, 4.0},  {11.0, 8.5}, {21.0, 8.5},
                            {21.0, 15.5}, {11.0, 15.5}, {11.0, 20.0}};
  p.drawPolygon(points, 7);
}

// A circular arc from `from` degrees over `span` degrees (positive:
// counterclockwise) with an arrowhead at its end.
void ArcArrow(QPainter& p, const QColor& color, double from, double span) {
  const QRectF circle(4.5, 4.5, 15.0, 15.0);
  const double radius = circle.width() / 2.0;
  QPainterPath arc;
  arc.arcMoveTo(circle, from);
  arc.arcTo(circle, from, span);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 2.6, Qt::SolidLine, Qt::FlatCap));
  p.drawPath(arc);

  const double end = (from + span) * std::numbers::pi / 180.0;
  const QPointF radial(std::cos(end), -std::sin(end));
  // The direction of travel at the end: the radial turned a quarter.
  const double turn = span > 0 ? 1.0 : -1.0;
  const QPointF ahead(radial.y() * turn, -radial.x() * turn);
  const QPointF at = circle.center() + radial * radius;
  const QPointF head[] = {at + radial * 3.6, at - radial * 3.6, at + ahead * 4.2};
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(head, 3);
}

void RotateLeft(QPainter& p) {
  p.setPen(QPen(kOutline, 1.0));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8.5, 9.0, 7.0, 6.0));
  ArcArrow(p, kBlue, 220.0, 250.0);
}

void Refresh(QPainter& p) {
  ArcArrow(p, kArrow, 200.0, -140.0);
  ArcArrow(p, kArrow, 20.0, -140.0);
}

void Screen(QPainter& p) {
  p.setPen(QPen(kOutline, 1.0));
  p.setBrush(kBody);
  p.drawRect(QRectF(9.5, 16.5, 5.0, 3.0));
  p.drawRoundedRect(QRectF(6.0, 19.0, 12.0, 2.5), 1.0, 1.0);
  p.drawRoundedRect(QRectF(2.0, 3.5, 20.0, 13.5), 1.5, 1.5);
  QLinearGradient sky(0.0, 5.5, 0.0, 15.0);
  sky.setColorAt(0.0, QColor(0x9c, 0xcb, 0xf0));
  sky.setColorAt(1.0, QColor(0x3f, 0x86, 0xc8));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(QRectF(4.0, 5.5, 16.0, 9.5));
  p.setBrush(QColor(0x4c, 0xa0, 0x50));
  const QPointF hills[] = {{4.0, 15.0}, {9.0, 10.5}, {12.5, 13.0}, {15.5, 11.0}, {20.0, 15.0}};
  p.drawPolygon(hills, 5);
  p.setBrush(QColor(0xe0, 0x30, 0x28));
  p.drawEllipse(QPointF(17.5, 7.8), 1.4, 1.4);
}

void Sliders(QPainter& p) {
  const double knobs[] = {8.0, 15.5, 11.0};
  for (int row = 0; row < 3; ++row) {
    const double y = 6.0 + 6.0 * row;
    p.setPen(QPen(kBody, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.0, y), QPointF(21.0, y));
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(QColor(0xf0, 0x8c, 0x1e));
    p.drawRoundedRect(QRectF(knobs[row] - 2.0, y - 3.0, 4.0, 6.0), 1.0, 1.0);
  }
}

void Help(QPainter& p) {
  p.setPen(QPen(kBlue.darker(130), 1.0));
  p.setBrush(kBlue);
  p.drawEllipse(QPointF(12.0, 12.0), 10.0, 10.0);
  QFont font;
  font.setBold(true);
  font.setPixelSize(15);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(2.0, 2.0, 20.0, 20.0), Qt::AlignCenter, QStringLiteral("?"));
}

struct CommandDrawing {
  UINT id;
  const char* themeName; // null: the theme has none for it
  Drawing draw;
};

const CommandDrawing* DrawingOf(UINT id) {
  static const CommandDrawing drawings[] = {
      {cmd::TakePicture, "camera-photo", Camera},
      {cmd::AllCamerasTakePicture, nullptr,
       [](QPainter& p) {
         Shrunk(p, Camera, 0.0, 0.0, 0.66);
         Shrunk(p, Camera, 8.0, 8.0, 0.66);
       }},
      {cmd::FileSaveAs, "document-save-as",
       [](QPainter& p) {
         Disk(p);
         Pencil(p);
       }},
      {cmd::SaveAll, nullptr,
       [](QPainter& p) {
         Shrunk(p, Disk, -1.0, -1.0, 0.7);
         Shrunk(p, Disk, 7.0, 7.0, 0.7);
       }},
      {cmd::PreviousPicture, "go-previous", ArrowLeft},
      {cmd::NextPicture, "go-next", [](QPainter& p) { Mirrored(p, ArrowLeft); }},
      {cmd::RotateCounterclockwise, "object-rotate-left", RotateLeft},
      {cmd::RotateClockwise, "object-rotate-right", [](QPainter& p) { Mirrored(p, RotateLeft); }},
      {cmd::ShowPreview, "video-display", Screen},
      {cmd::CaptureProperties, "document-properties", Sliders},
      {cmd::RefreshCameras, "view-refresh", Refresh},
      {cmd::DisplayManual, "help-contents", Help},
  };
  for (const CommandDrawing& drawing : drawings)
    if (drawing.id == id)
      return &drawing;
  return nullptr;
}

QPixmap Drawn(const Drawing& draw, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(size / kGrid, size / kGrid);
  draw(painter);
  return pixmap;
}

} // namespace

QIcon CommandIcon(UINT commandId) {
  const CommandDrawing* drawing = DrawingOf(commandId);
  if (!drawing)
    return {};
  QIcon own;
  for (const int size : {16, 22, 24, 32, 48})
    own.addPixmap(Drawn(drawing->draw, size));
  return drawing->themeName ? QIcon::fromTheme(QString::fromLatin1(drawing->themeName), own) : own;
}

} // namespace tarsel::frame
