// The shooting-information panel shown beside a picture in the picture view:
// twelve label/value pairs rendered once into a bitmap when the panel is
// made, then copied into the view as often as it repaints. A picture without
// Exif gives an empty panel (width and height 0). A new picture needs a new
// panel.
//
// Values come from the picture's Exif block, except white balance, flash
// and file size (and the ISO speed when the Exif one is 0), which come from
// the picture information the camera family attached; without that they are
// empty. An Exif block that cannot be read does not fail the panel: each
// value that could not be read shows "ERROR".
//
// Threads: user-interface thread only.
#pragma once

#include "TarselPictures_export.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class IPictureFromCamera;
class QPaintDevice;
class QPainter;

class TARSELPICTURES_EXPORT CPicInfoDisplayBase {
public:
  CPicInfoDisplayBase(const CPicInfoDisplayBase&) = delete;
  CPicInfoDisplayBase& operator=(const CPicInfoDisplayBase&) = delete;
  virtual ~CPicInfoDisplayBase();

  // Copies the panel with its top-left corner at (x, y).
  virtual void Paint(QPainter* painter, std::int32_t x, std::int32_t y);
  virtual std::int32_t GetWidth();
  virtual std::int32_t GetHeight();

protected:
  // The twelve values in the order of the one-column panel.
  struct Values {
    QString exposureTime;
    QString aperture;
    QString exposureBias;
    QString isoSpeed;
    QString meteringMode;
    QString whiteBalance;
    QString flash;
    QString focalLength;
    QString orientation;
    QString date;
    QString dimensions;
    QString fileSize;
  };
  // One label column and its value column, one row per line.
  struct Column {
    QString labels;
    QString values;
    QRect labelRect;
    QRect valueRect;
  };

  CPicInfoDisplayBase() = default;

  // False (and nothing read) when the picture has no Exif block.
  static bool ReadValues(IPictureFromCamera* picture, Values* values);
  // Lays the columns out side by side from the left margin, each value
  // column just right of its labels and `gap` pixels before the next
  // column, measured in the panel's font on `device` (null: the screen).
  static void Measure(QPaintDevice* device, std::vector<Column>& columns, int gap);
  // The texts one under the other.
  static QString Lines(const QStringList& rows);
  // A bitmap size of the picture record as a panel size.
  static std::int32_t Pixels(std::uint32_t size) { return size > INT32_MAX ? INT32_MAX : std::int32_t(size); }
  // The first pixel column right of a measured text.
  static std::int32_t RightOf(const QRect& rect) { return rect.x() + rect.width(); }
  // Makes the bitmap of that size in the window colour and draws the
  // labels in the text colour and the values in blue.
  void Render(std::int32_t width, std::int32_t height, const std::vector<Column>& columns);

  QImage m_bitmap;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
};
