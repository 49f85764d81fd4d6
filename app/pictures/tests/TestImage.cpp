#include "TestImage.h"

#include <algorithm>
#include <exception>

std::vector<BYTE> CTestImage::patternRow(std::int32_t width, std::int32_t y) {
  std::vector<BYTE> row;
  for (std::int32_t x = 0; x < width; ++x) {
    row.push_back(BYTE((x * 37 + y * 11) % 256));
    row.push_back(BYTE((x * 5 + y * 101) % 256));
    row.push_back(BYTE((x * 71 + y * 3) % 256));
  }
  return row;
}

void CTestImage::Decode(DWORD numerator, DWORD denominator) {
  try {
    if (m_width == 0)
      ThrowError(static_cast<HRESULT>(0x81060004u), "Picture file may be (or have been) saved as normal.");
    DestroyBitmap();
    CDibBuffer& bitmap = NewBitmap();
    bitmap.Create(m_width, m_height);
    for (std::int32_t y = 0; y < m_height; ++y)
      bitmap.SetRow(y, patternRow(m_width, y).data());
    SetScale(numerator, denominator);
  } catch (...) {
    DestroyBitmap();
    KeepFailure(std::current_exception());
  }
}

void CTestImage::Rotate(std::int32_t, bool) {
  Bytes reversed(GetData(), GetData() + GetDataSize());
  std::reverse(reversed.begin(), reversed.end());
  reversed.push_back(0xEE);
  ReplaceData(std::move(reversed));
}

void CTestImage::Clone(CImageBase** out) {
  auto* copy = new CTestImage(m_width, m_height);
  copy->Assign(*this, true);
  *out = copy;
}
