// A JPEG picture: decodes it whole at a scale (1/1, 1/2, 1/4, 1/8) or as a
// rectangle of the full-size picture into the image's bitmap, hands out the
// Exif block of its first APP1 marker, and rotates it losslessly by 90, 180
// or 270 degrees, every marker copied and partial edge blocks left as they
// are; the rotated file replaces the encoded bytes.
//
// Threads: one picture record at a time, like every image. Failures are kept
// as the decode error (0x8106xxxx: the library's message number; 0x81060004
// for a bad rectangle, rotation code or scale; 8 for a picture too large to
// hold, which a rotation refuses from the header before transforming) and
// thrown on while the image flag is set. The decoder is reset after
// every failure, so the next decode or rotation starts clean. Warnings, such
// as a file that ends early, are not failures when the picture comes out whole.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/ImageBase.h"

#include <memory>

class TARSELPICTURES_EXPORT CJPEGImage final : public CImageBase {
public:
  CJPEGImage();
  ~CJPEGImage() override;

  void Decode(DWORD scaleNumerator, DWORD scaleDenominator) override;
  void DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override;
  bool GetExifBlock(const BYTE** data, DWORD* size, bool* copied) override;
  bool HasBitmap() override { return Bitmap() != nullptr; }
  void Rotate(std::int32_t code, bool redecode) override;
  // The picture's size from its header once decoded; 0 before.
  DWORD GetPictureWidth() override;
  DWORD GetPictureHeight() override;
  void Clone(CImageBase** out) override;
  const char* GetTypeName() override { return "JPEG"; }
  const char* GetExtension() override { return ".JPG"; }
  std::int32_t GetImageType() override { return TypeJpeg; }

  // How often the data ran out before the library was done, over this
  // image's decodes; each time the picture was completed as a warning.
  unsigned GetTruncationWarnings() const { return m_truncationWarnings; }

private:
  struct Decoder;

  void DecodeWhole(DWORD scaleNumerator, DWORD scaleDenominator);
  void DecodeWindow(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
  // Throws 8 for a picture too large to decode at full size, before the
  // transformer allocates for it; a header failure is the library's error.
  void CheckTransformSize() const;
  // The file turned by 1 to 3 quarter turns clockwise: TurboJPEG's
  // transformer, or our own for the samplings it refuses.
  Bytes TransformBytes(std::int32_t quarterTurns) const;
  [[noreturn]] void ThrowTransformFailure(const char* libraryText) const;
  void StartReading();
  void ResetDecoder() noexcept;

  std::unique_ptr<Decoder> m_decoder;
  unsigned m_truncationWarnings = 0;
};
