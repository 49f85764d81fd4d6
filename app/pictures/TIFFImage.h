// The image class of TIFF pictures (bytes beginning "II*" or "MM*"), decoded
// with the program's own TIFF codec. Only uncompressed, chunky, 8-bit RGB
// pictures of three samples are decoded; rotation by 90 or 270 degrees
// rewrites the file with its pixels in one turned strip.
//
// The parsed structure is made on first need and made again whenever the
// image's bytes are replaced, so it never outlives them. Failures of
// decoding and rotation become the image's decode error (Draw paints the
// failure panel) and are thrown on while the image flag is set. Used by the
// picture record's thread.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/ImageBase.h"

#include <memory>

class CTiffBuffer;

class TARSELPICTURES_EXPORT CTIFFImage final : public CImageBase {
public:
  CTIFFImage();
  ~CTIFFImage() override;

  // A bitmap of (width / d) x (length / d), at least 1 x 1.
  void Decode(DWORD scaleNumerator, DWORD scaleDenominator) override;
  // Refuses (87) a rectangle that does not lie inside the picture.
  void DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override;
  // The whole file, not copied.
  bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) override;
  bool HasBitmap() override { return Bitmap() != nullptr; }
  // Codes 1 and 3; code 2 fails with 0x81050004 and leaves the bytes.
  // Without redecode the bitmap, which shows the picture unturned, goes.
  void Rotate(std::int32_t code, bool redecode) override;
  DWORD GetPictureWidth() override;
  DWORD GetPictureHeight() override;
  void Clone(CImageBase** out) override;
  const char* GetTypeName() override { return "TIFF"; }
  const char* GetExtension() override { return ".TIF"; }
  std::int32_t GetImageType() override { return TypeTiff; }

private:
  // Parses the current bytes when needed and checks the decodable layout
  // (0x81050001 for the strips, 0x81050002 for the rest).
  const CTiffBuffer& EnsureParsed();
  const CTiffBuffer* CurrentBuffer() const;
  void DecodeRows(DWORD denominator);

  std::unique_ptr<CTiffBuffer> m_buffer;
};
