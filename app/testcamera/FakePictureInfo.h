// The fake family's picture information: fixed texts and the picture size.
#pragma once

#include "hostapi/IPictureInfo.h"

#include <cstdint>
#include <string>

namespace tarsel::testcamera {

class FakePictureInfo : public IPictureInfo {
public:
  explicit FakePictureInfo(std::uint32_t size) : m_size(size) {}

  void GetWhiteBalanceText(std::string* out) override;
  void GetFlashText(std::string* out) override;
  void GetIsoText(std::string* out) override;
  void GetSizeText(std::string* out, const char* format) override;
  IPictureInfo* Clone() override;

private:
  std::uint32_t m_size;
};

} // namespace tarsel::testcamera
