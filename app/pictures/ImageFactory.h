// The image factory: picks the image class of a picture from its first
// bytes. "II*", "MM*" and a big-endian TIFF's "MM" 00 2A are TIFF, FF D8 FF
// is JPEG, anything else (fewer than three bytes included) is a raw picture
// named by the caller's extension. Only the bytes that exist are looked at.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/ImageBase.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <memory>

// The error of an image type the program has no class for.
inline constexpr HRESULT kUnknownImageTypeError = 0x70C;

// 1 JPEG, 2 TIFF or 3 raw, from the first bytes of `size` bytes.
TARSELPICTURES_EXPORT std::int32_t ImageTypeFromBytes(const void* bytes, DWORD size);

// A new, empty image of the type the bytes show (the caller gives it the
// bytes with SetData). Allocation failure throws error 8.
TARSELPICTURES_EXPORT std::unique_ptr<CImageBase> CreateImageFromBuffer(const void* bytes, DWORD size,
                                                                        const char* rawExtension);

// A new, empty image of type 1, 2 or 3; any other type throws 0x70C with
// "Unknown Image Type: 0x%X". Allocation failure throws error 8.
TARSELPICTURES_EXPORT std::unique_ptr<CImageBase> CreateImage(std::int32_t type, const char* rawExtension);

// Throws 0x70C with "Unknown Image Type: 0x%X" of the type.
[[noreturn]] TARSELPICTURES_EXPORT void ThrowUnknownImageType(std::int32_t type);
