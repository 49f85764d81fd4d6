#include "app/pictures/RawImage.h"

#include "app/pictures/PictureStrings.h"
#include "platform/Win32Error.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QString>

#include <new>

namespace {
constexpr unsigned kRawImageText = 61309;
} // namespace

CRawImage::CRawImage(const char* extension) : m_extension(extension ? extension : "") {}

void CRawImage::Decode(DWORD scaleNumerator, DWORD scaleDenominator) {
  SetScale(scaleNumerator, scaleDenominator);
}

bool CRawImage::GetExifBlock(const BYTE** data, DWORD* size, bool*) {
  if (data)
    *data = nullptr;
  if (size)
    *size = 0;
  return false;
}

void CRawImage::Rotate(std::int32_t code, bool) {
  if (code < 1 || code > 3)
    return;
  m_angle = (m_angle + 90 * code) % 360;
}

std::int32_t CRawImage::Draw(QPainter* painter, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t, std::int32_t) {
  if (!painter)
    return 1;
  painter->save();
  painter->fillRect(QRect(0, 0, 640, 480), QGuiApplication::palette().color(QPalette::Base));
  // The text's line breaks are "\r\n"; one break per line here.
  QString text = QString::fromUtf8(tarsel::pictures::PictureString(kRawImageText));
  text.remove(QLatin1Char('\r'));
  painter->setPen(QGuiApplication::palette().color(QPalette::Text));
  painter->drawText(QRect(20, 20, 600, 440), Qt::AlignHCenter | Qt::AlignTop, text);
  painter->restore();
  return 1;
}

void CRawImage::Clone(CImageBase** out) {
  if (!out)
    return;
  *out = nullptr;
  CRawImage* copy = new (std::nothrow) CRawImage(m_extension.c_str());
  if (!copy)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  try {
    copy->Assign(*this, false);
  } catch (...) {
    delete copy;
    throw;
  }
  copy->m_angle = m_angle;
  *out = copy;
}
