#include "app/pictures/ImageFactory.h"

#include "app/pictures/JPEGImage.h"
#include "app/pictures/PictureStrings.h"
#include "app/pictures/RawImage.h"
#include "app/pictures/TIFFImage.h"
#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"
#include "platform/Win32Error.h"

#include <new>
#include <string>

std::int32_t ImageTypeFromBytes(const void* bytes, DWORD size) {
  if (!bytes || size < 3)
    return CImageBase::TypeRaw;
  const BYTE* b = static_cast<const BYTE*>(bytes);
  if ((b[0] == 0x49 && b[1] == 0x49 && b[2] == 0x2A) || (b[0] == 0x4D && b[1] == 0x4D && b[2] == 0x2A))
    return CImageBase::TypeTiff;
  // A big-endian TIFF file begins "MM" 00 2A: its 42 is a 16-bit word with
  // the high byte first.
  if (size >= 4 && b[0] == 0x4D && b[1] == 0x4D && b[2] == 0x00 && b[3] == 0x2A)
    return CImageBase::TypeTiff;
  if (b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
    return CImageBase::TypeJpeg;
  return CImageBase::TypeRaw;
}

std::unique_ptr<CImageBase> CreateImageFromBuffer(const void* bytes, DWORD size, const char* rawExtension) {
  return CreateImage(ImageTypeFromBytes(bytes, size), rawExtension);
}

std::unique_ptr<CImageBase> CreateImage(std::int32_t type, const char* rawExtension) {
  if (type != CImageBase::TypeJpeg && type != CImageBase::TypeTiff && type != CImageBase::TypeRaw)
    ThrowUnknownImageType(type);
  std::unique_ptr<CImageBase> image;
  if (type == CImageBase::TypeJpeg)
    image.reset(new (std::nothrow) CJPEGImage());
  else if (type == CImageBase::TypeTiff)
    image.reset(new (std::nothrow) CTIFFImage());
  else
    image.reset(new (std::nothrow) CRawImage(rawExtension));
  if (!image)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  return image;
}

void ThrowUnknownImageType(std::int32_t type) {
  std::string text;
  FormatStdString(text, tarsel::pictures::PictureString(tarsel::pictures::IDS_UNKNOWN_IMAGE_TYPE),
                  static_cast<unsigned>(type));
  ThrowError(kUnknownImageTypeError, text.c_str());
}
