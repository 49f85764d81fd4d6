// A window's stored position, the bytes of the placement values
// ("LastWinPlace", "LastCaptureDlgPlace", "LastPreviewWndPlace"). The record
// does not depend on any windowing system: 28 bytes, little-endian,
//   0 record size (28)   4 version (1)   8 flags (bit 0: maximised)
//  12 x   16 y   20 width   24 height   (signed; the window's normal
//  rectangle without its frame, in virtual-desktop pixels).
// fromBytes accepts only a record of exactly this layout with a size that
// fits a screen, so a stray or crafted value is never applied.
#pragma once

#include "hostapi/Win32Types.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tarsel::settings {

struct WindowPlacement {
  static constexpr DWORD kRecordSize = 28;
  static constexpr DWORD kVersion = 1;
  static constexpr DWORD kFlagMaximized = 1;
  // Larger sides or positions than this are no placement any screen has.
  static constexpr std::int32_t kMaxCoordinate = 1 << 20;

  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool maximized = false;

  std::array<BYTE, kRecordSize> toBytes() const;
  static std::optional<WindowPlacement> fromBytes(const BYTE* bytes, DWORD size);

  bool operator==(const WindowPlacement&) const = default;
};

} // namespace tarsel::settings
