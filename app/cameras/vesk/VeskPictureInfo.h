// What the camera-link family knows about a picture it transferred: the
// library's picture-tag record, the size in bytes, and the white balance and
// ISO speed the camera used, as the texts the picture overlays show.
//
// Threads: an object is used by one thread at a time; Clone hands a copy to
// another.
#pragma once

#include "hostapi/IPictureInfo.h"
#include "hostapi/Win32Types.h"

#include <array>
#include <cstdint>

class CVeskPictureInfo : public IPictureInfo {
public:
  static constexpr std::size_t kTagRecordSize = 76;
  using TagRecord = std::array<BYTE, kTagRecordSize>;

  CVeskPictureInfo(const TagRecord& tags, std::uint32_t size, std::int32_t whiteBalance,
                   std::int32_t isoSpeed)
      : m_tags(tags), m_size(size), m_whiteBalance(whiteBalance), m_isoSpeed(isoSpeed) {}

  void GetWhiteBalanceText(std::string* out) override;
  // The record's flash flag (32-bit at byte 64): "No", "Yes", else "#%d".
  void GetFlashText(std::string* out) override;
  void GetIsoText(std::string* out) override;
  void GetSizeText(std::string* out, const char* format) override;
  // Throws _brantel_take_error(8) when no copy can be made.
  IPictureInfo* Clone() override;

private:
  TagRecord m_tags;
  std::uint32_t m_size;
  std::int32_t m_whiteBalance;
  std::int32_t m_isoSpeed;
};
