#include "app/pictures/PicInfoDisplayBase.h"

#include "app/pictures/PictureExif.h"
#include "app/pictures/PictureInfoExif.h"
#include "env/BrantelTakeError.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/IPictureInfo.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <memory>
#include <string>
#include <utility>

namespace {

// The left margin of the first column and the space between labels and values.
constexpr int kMargin = 5;

QFont PanelFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(14);
  font.setWeight(QFont::Thin);
  return font;
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// Measures like a text drawn from (left, 0) in a 10 x 10 box that grows to
// hold every line.
QRect Measured(const QFontMetrics& metrics, int left, const QString& text) {
  return metrics.boundingRect(QRect(left, 0, 10, 10), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

CPicInfoDisplayBase::~CPicInfoDisplayBase() = default;

void CPicInfoDisplayBase::Paint(QPainter* painter, std::int32_t x, std::int32_t y) {
  if (painter && !m_bitmap.isNull())
    painter->drawImage(x, y, m_bitmap, 0, 0, m_width, m_height);
}

std::int32_t CPicInfoDisplayBase::GetWidth() {
  return m_width;
}

std::int32_t CPicInfoDisplayBase::GetHeight() {
  return m_height;
}

bool CPicInfoDisplayBase::ReadValues(IPictureFromCamera* picture, Values* values) {
  if (!picture || !values)
    return false;
  const std::unique_ptr<CTiffBuffer> tiff = ExifBlockOf(*picture);
  if (!tiff)
    return false;
  try {
    tiff->Parse();
  } catch (const _brantel_take_error&) {
    // Left without directories: the Exif values show as unreadable.
  }
  CPictureInfoExif exif(tiff.get());
  using Getter = void (CPictureInfoExif::*)(std::string*);
  static const std::pair<Getter, QString Values::*> kExifValues[] = {
      {&CPictureInfoExif::GetExposureTimeText, &Values::exposureTime},
      {&CPictureInfoExif::GetApertureText, &Values::aperture},
      {&CPictureInfoExif::GetExposureBiasText, &Values::exposureBias},
      {&CPictureInfoExif::GetMeteringModeText, &Values::meteringMode},
      {&CPictureInfoExif::GetFocalLengthText, &Values::focalLength},
      {&CPictureInfoExif::GetOrientationText, &Values::orientation},
      {&CPictureInfoExif::GetDateText, &Values::date},
      {&CPictureInfoExif::GetDimensionsText, &Values::dimensions}};
  std::string text;
  for (const auto& [get, value] : kExifValues) {
    (exif.*get)(&text);
    values->*value = Text(text);
  }
  std::string iso;
  exif.GetIsoText(&iso);
  values->isoSpeed = Text(iso);

  values->whiteBalance.clear();
  values->flash.clear();
  values->fileSize.clear();
  IPictureInfo* camera = picture->GetPictureInfo();
  if (!camera)
    return true;
  if (iso == "0") {
    camera->GetIsoText(&text);
    values->isoSpeed = Text(text);
  }
  camera->GetWhiteBalanceText(&text);
  values->whiteBalance = Text(text);
  camera->GetFlashText(&text);
  values->flash = Text(text);
  camera->GetSizeText(&text, "%d bytes");
  values->fileSize = Text(text);
  return true;
}

QString CPicInfoDisplayBase::Lines(const QStringList& rows) {
  return rows.join(QLatin1Char('\n'));
}

void CPicInfoDisplayBase::Measure(QPaintDevice* device, std::vector<Column>& columns, int gap) {
  const QFont font = PanelFont();
  const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
  int left = kMargin;
  for (Column& column : columns) {
    column.labelRect = Measured(metrics, left, column.labels);
    column.valueRect = Measured(metrics, RightOf(column.labelRect) + kMargin, column.values);
    left = RightOf(column.valueRect) + gap;
  }
}

void CPicInfoDisplayBase::Render(std::int32_t width, std::int32_t height,
                                 const std::vector<Column>& columns) {
  m_bitmap = QImage(width, height, QImage::Format_RGB32);
  if (m_bitmap.isNull()) {
    m_width = 0;
    m_height = 0;
    return;
  }
  m_width = width;
  m_height = height;
  const QPalette palette = QGuiApplication::palette();
  m_bitmap.fill(palette.color(QPalette::Window));
  QPainter painter(&m_bitmap);
  painter.setFont(PanelFont());
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
  for (const Column& column : columns) {
    painter.setPen(palette.color(QPalette::WindowText));
    painter.drawText(column.labelRect, flags, column.labels);
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(column.valueRect, flags, column.values);
  }
}
