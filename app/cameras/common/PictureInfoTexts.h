// A picture's information as the texts the picture overlays show, fixed when
// the picture arrives: its size in bytes and the white balance, ISO speed
// and flash texts. A family derives from it to turn its own values into the
// texts; what it hands on is these texts and nothing else.
//
// Threads: an object is used by one thread at a time; Clone hands a copy to
// another. Failure: Clone throws _brantel_take_error(8) when no copy can be
// made.
#pragma once

#include "app/core/CapabilitySet.h"
#include "hostapi/IPictureInfo.h"

#include <cstdint>
#include <string>

class CPictureInfoTexts : public IPictureInfo {
public:
  CPictureInfoTexts(std::uint32_t size, std::string whiteBalance, std::string iso, std::string flash);

  void GetWhiteBalanceText(std::string* out) override;
  void GetFlashText(std::string* out) override;
  void GetIsoText(std::string* out) override;
  void GetSizeText(std::string* out, const char* format) override;
  IPictureInfo* Clone() override;

  // The label of the first row with the value; a value without a row reads
  // "#<value>".
  static std::string LabelOrNumber(const tarsel::core::CapabilityValue* table, std::int32_t value);

private:
  std::uint32_t m_size;
  std::string m_whiteBalance;
  std::string m_iso;
  std::string m_flash;
};
