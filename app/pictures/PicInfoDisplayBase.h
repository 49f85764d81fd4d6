// The shooting-information panel shown beside a picture in the picture view:
// twelve label/value pairs rendered once into a bitmap when the panel is
// made, then copied into the view as often as it repaints. A picture without
// Exif gives an empty panel (width and height 0). A new picture needs a new
// panel.
//
// Threads: user-interface thread only.
#pragma once

#include "TarselPictures_export.h"

#include <QImage>

#include <cstdint>

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
  CPicInfoDisplayBase() = default;

  QImage m_bitmap;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
};
