// The image class of a camera's raw pictures (any bytes that are neither
// TIFF nor JPEG): the bytes are kept and saved as received, never decoded.
// A rotation only turns the stored angle; Draw paints a panel saying the
// picture cannot be shown. Raises nothing but allocation failures. Used by
// the picture record's thread.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/ImageBase.h"

#include <string>

class TARSELPICTURES_EXPORT CRawImage final : public CImageBase {
public:
  // `extension` with its leading dot, as the camera family gives it.
  explicit CRawImage(const char* extension);

  void Decode(DWORD scaleNumerator, DWORD scaleDenominator) override;
  void DecodeRect(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) override;
  bool HasBitmap() override { return false; }
  void Rotate(std::int32_t code, bool redecode) override;
  DWORD GetPictureWidth() override { return 800; }
  DWORD GetPictureHeight() override { return 480; }
  // Paints the raw panel over (0, 0, 640, 480); the placement is not used.
  std::int32_t Draw(QPainter* painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                    std::int32_t sourceY, std::int32_t width, std::int32_t height) override;
  void Clone(CImageBase** out) override;
  const char* GetTypeName() override { return "RAW"; }
  const char* GetExtension() override { return m_extension.c_str(); }
  std::int32_t GetImageType() override { return TypeRaw; }

  // Degrees clockwise, 0 ... 359.
  std::int32_t GetRotationAngle() const { return m_angle; }

private:
  std::int32_t m_angle = 0;
  std::string m_extension;
};
