#include "app/testcamera/TestJpeg.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <mutex>

namespace tarsel::testcamera {

std::vector<BYTE> makeTestJpeg(int width, int height, unsigned seed) {
  // One at a time: Qt's image writers share state that its own locks guard,
  // which the thread checker cannot see.
  static std::mutex lock;
  const std::lock_guard<std::mutex> guard(lock);
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull())
    ThrowError(E_FAIL, "test picture");
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int red = int((unsigned(x * 255 / (width > 1 ? width - 1 : 1)) + seed * 40) % 256);
      const int green = int((unsigned(y * 255 / (height > 1 ? height - 1 : 1)) + seed * 70) % 256);
      image.setPixel(x, y, qRgb(red, green, int(seed * 25 % 256)));
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPEG", 90))
    ThrowError(E_FAIL, "test picture");
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

} // namespace tarsel::testcamera
