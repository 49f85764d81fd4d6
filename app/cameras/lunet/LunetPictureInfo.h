// What the ActiveX family knows about a picture it transferred: the
// control's picture tag record (76 bytes, nineteen 32-bit words; word 16
// is the flash-fired value), the size in bytes, and the white balance and
// ISO speed in force when it was taken, as the texts the picture overlays
// show. A value without a row in the family's tables reads "#<value>".
//
// Threads: an object is used by one thread at a time; Clone hands a copy to
// another. Failure: Clone throws _brantel_take_error(8) when no copy can be
// made.
#pragma once

#include "hostapi/IPictureInfo.h"
#include "hostapi/Win32Types.h"

#include <array>
#include <cstdint>

class CLunetPictureInfo : public IPictureInfo {
public:
  static constexpr std::size_t kTagRecordSize = 76;
  using TagRecord = std::array<BYTE, kTagRecordSize>;

  CLunetPictureInfo(const TagRecord& tagRecord, std::uint32_t size, std::int32_t whiteBalance,
                    std::int32_t isoSpeed)
      : m_tagRecord(tagRecord), m_size(size), m_whiteBalance(whiteBalance), m_isoSpeed(isoSpeed) {}

  void GetWhiteBalanceText(std::string* out) override;
  // Word 16 of the tag record: 0 "No", 1 "Yes", else "#%d".
  void GetFlashText(std::string* out) override;
  void GetIsoText(std::string* out) override;
  void GetSizeText(std::string* out, const char* format) override;
  IPictureInfo* Clone() override;

private:
  TagRecord m_tagRecord;
  std::uint32_t m_size;
  std::int32_t m_whiteBalance;
  std::int32_t m_isoSpeed;
};
