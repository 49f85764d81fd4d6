#include "app/pictures/EncodedImage.h"

#include "app/pictures/ImageFactory.h"
#include "platform/Win32Error.h"

#include <exception>
#include <new>

CEncodedImage::CEncodedImage(std::int32_t type, const char* rawExtension)
    : m_type(type), m_rawExtension(rawExtension ? rawExtension : "") {}

void CEncodedImage::Decode(DWORD, DWORD) {
  FailUnsupported();
}

void CEncodedImage::DecodeRect(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
  FailUnsupported();
}

bool CEncodedImage::GetExifBlock(const BYTE**, DWORD*, bool* copied) {
  if (copied)
    *copied = false;
  FailUnsupported();
  return false;
}

void CEncodedImage::Rotate(std::int32_t, bool) {
  FailUnsupported();
}

void CEncodedImage::Clone(CImageBase** out) {
  if (!out)
    return;
  *out = nullptr;
  CEncodedImage* copy = new (std::nothrow) CEncodedImage(m_type, m_rawExtension.c_str());
  if (!copy)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  try {
    copy->Assign(*this, true);
  } catch (...) {
    delete copy;
    throw;
  }
  *out = copy;
}

const char* CEncodedImage::GetTypeName() {
  switch (m_type) {
  case TypeJpeg:
    return "JPEG";
  case TypeTiff:
    return "TIFF";
  default:
    return "RAW";
  }
}

const char* CEncodedImage::GetExtension() {
  switch (m_type) {
  case TypeJpeg:
    return ".JPG";
  case TypeTiff:
    return ".TIF";
  default:
    return m_rawExtension.c_str();
  }
}

void CEncodedImage::FailUnsupported() {
  try {
    ThrowUnknownImageType(m_type);
  } catch (...) {
    KeepFailure(std::current_exception());
  }
}
