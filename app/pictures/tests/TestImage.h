// An image class for the tests: Decode makes a bitmap of the picture size
// whose pixel (x, y) is red (x*37+y*11)%256, green (x*5+y*101)%256, blue
// (x*71+y*3)%256; Rotate reverses the encoded bytes into a new buffer, as a
// format class puts a rotated file in place; a decode of a picture of width
// 0 fails with 0x81060004.
#pragma once

#include "app/pictures/ImageBase.h"

#include <vector>

class CTestImage : public CImageBase {
public:
  CTestImage(std::int32_t width, std::int32_t height) : m_width(width), m_height(height) {}

  static std::vector<BYTE> patternRow(std::int32_t width, std::int32_t y);

  void Decode(DWORD numerator, DWORD denominator) override;
  void DecodeRect(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  bool GetExifBlock(const BYTE**, DWORD*, bool*) override { return false; }
  bool HasBitmap() override { return Bitmap() != nullptr; }
  void Rotate(std::int32_t code, bool redecode) override;
  DWORD GetPictureWidth() override { return DWORD(m_width); }
  DWORD GetPictureHeight() override { return DWORD(m_height); }
  void Clone(CImageBase** out) override;
  const char* GetTypeName() override { return "TEST"; }
  const char* GetExtension() override { return ".TST"; }
  std::int32_t GetImageType() override { return 1; }

private:
  std::int32_t m_width;
  std::int32_t m_height;
};
