#include "app/testcamera/FakePictureInfo.h"

#include "env/FormatStdString.h"

#include <new>

namespace tarsel::testcamera {

void FakePictureInfo::GetWhiteBalanceText(std::string* out) {
  if (out)
    *out = "Auto";
}

void FakePictureInfo::GetFlashText(std::string* out) {
  if (out)
    *out = "No";
}

void FakePictureInfo::GetIsoText(std::string* out) {
  if (out)
    *out = "100";
}

void FakePictureInfo::GetSizeText(std::string* out, const char* format) {
  if (!out)
    return;
  out->clear();
  if (format)
    FormatStdString(*out, format, static_cast<int>(m_size));
}

IPictureInfo* FakePictureInfo::Clone() {
  return new (std::nothrow) FakePictureInfo(m_size);
}

} // namespace tarsel::testcamera
