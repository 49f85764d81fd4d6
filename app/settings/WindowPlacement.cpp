#include "app/settings/WindowPlacement.h"

#include "app/settings/RegistryKey.h"

namespace tarsel::settings {
namespace {

std::int32_t signedAt(const BYTE* bytes) {
  return static_cast<std::int32_t>(dwordFromBytes(bytes));
}

bool inRange(std::int32_t value) {
  return value > -WindowPlacement::kMaxCoordinate && value < WindowPlacement::kMaxCoordinate;
}

} // namespace

std::array<BYTE, WindowPlacement::kRecordSize> WindowPlacement::toBytes() const {
  std::array<BYTE, kRecordSize> bytes{};
  dwordToBytes(kRecordSize, &bytes[0]);
  dwordToBytes(kVersion, &bytes[4]);
  dwordToBytes(maximized ? kFlagMaximized : 0, &bytes[8]);
  dwordToBytes(static_cast<DWORD>(x), &bytes[12]);
  dwordToBytes(static_cast<DWORD>(y), &bytes[16]);
  dwordToBytes(static_cast<DWORD>(width), &bytes[20]);
  dwordToBytes(static_cast<DWORD>(height), &bytes[24]);
  return bytes;
}

std::optional<WindowPlacement> WindowPlacement::fromBytes(const BYTE* bytes, DWORD size) {
  if (!bytes || size != kRecordSize)
    return std::nullopt;
  if (dwordFromBytes(&bytes[0]) != kRecordSize || dwordFromBytes(&bytes[4]) != kVersion)
    return std::nullopt;
  const DWORD flags = dwordFromBytes(&bytes[8]);
  if (flags & ~kFlagMaximized)
    return std::nullopt;
  WindowPlacement placement;
  placement.maximized = (flags & kFlagMaximized) != 0;
  placement.x = signedAt(&bytes[12]);
  placement.y = signedAt(&bytes[16]);
  placement.width = signedAt(&bytes[20]);
  placement.height = signedAt(&bytes[24]);
  if (!inRange(placement.x) || !inRange(placement.y))
    return std::nullopt;
  if (placement.width <= 0 || placement.height <= 0 || !inRange(placement.width) ||
      !inRange(placement.height))
    return std::nullopt;
  return placement;
}

} // namespace tarsel::settings
