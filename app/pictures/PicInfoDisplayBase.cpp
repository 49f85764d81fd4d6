#include "app/pictures/PicInfoDisplayBase.h"

#include <QPainter>

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
