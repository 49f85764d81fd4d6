// An image whose format is known from its first bytes but that this build
// cannot decode: it keeps the bytes, reports its type, name and extension,
// saves and copies the bytes, and answers every decode, rotation and Exif
// request with the unknown-image-type error 0x70C, kept as its decode error
// (so Draw shows the failure panel) and thrown on while the image flag is
// set. The image factory makes one for each type without its own class.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/ImageBase.h"

#include <string>

class TARSELPICTURES_EXPORT CEncodedImage final : public CImageBase {
public:
  // Type 1 JPEG, 2 TIFF, 3 raw (named by rawExtension).
  CEncodedImage(std::int32_t type, const char* rawExtension);

  void Decode(DWORD scaleNumerator, DWORD scaleDenominator) override;
  void DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override;
  bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) override;
  bool HasBitmap() override { return Bitmap() != nullptr; }
  void Rotate(std::int32_t code, bool redecode) override;
  DWORD GetPictureWidth() override { return 0; }
  DWORD GetPictureHeight() override { return 0; }
  void Clone(CImageBase** out) override;
  const char* GetTypeName() override;
  const char* GetExtension() override;
  std::int32_t GetImageType() override { return m_type; }

private:
  // Keeps 0x70C as the decode error; thrown on while the image flag is set.
  void FailUnsupported();

  std::int32_t m_type;
  std::string m_rawExtension;
};
