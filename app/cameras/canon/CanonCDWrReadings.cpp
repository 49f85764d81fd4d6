// The camera settings the camera object reads for itself: white balance,
// flash and ISO speed (kept as the codes that label transferred pictures),
// the AF distance and the optical zoom of its status line.
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonResultGuard.h"

using tarsel::canon::CallChecked;
using tarsel::canon::CameraCallLock;
using tarsel::canon::GuardCanonResult;
namespace cd = tarsel::cdsdk;

namespace {

constexpr std::uint32_t kTwoBytes = 2;

template <class T> void Clear(T* out, T value = T{}) {
  if (out)
    *out = value;
}

} // namespace

HRESULT CanonCD_Wr::GetPropWhiteBalance(std::uint32_t* out) {
  Clear(out);
  return GuardCanonResult([&] {
    const CameraCallLock lock(m_lock);
    std::uint16_t code = 0;
    CallChecked<cd::kEntryWhiteBalance>(SourceHandle(), &code, 0u);
    m_whiteBalance = code;
    Clear(out, std::uint32_t{code});
  });
}

HRESULT CanonCD_Wr::GetPropFlash(std::uint32_t* out) {
  Clear(out);
  return GuardCanonResult([&] {
    const CameraCallLock lock(m_lock);
    std::uint32_t mode = 0;
    std::uint32_t second = 0;
    CallChecked<cd::kEntryFlash>(SourceHandle(), &mode, &second, 0u);
    m_flash = static_cast<std::int32_t>(mode & 0xFFFFu);
    Clear(out, mode & 0xFFFFu);
  });
}

HRESULT CanonCD_Wr::GetPropIsoSpeed(std::uint32_t* out) {
  Clear(out);
  return GuardCanonResult([&] {
    const CameraCallLock lock(m_lock);
    std::uint32_t value = 0;
    std::uint32_t size = kTwoBytes;
    CallChecked<cd::kEntryReleaseControlRead>(SourceHandle(), cd::kParamIso, &size,
                                              static_cast<void*>(&value));
    m_iso = static_cast<std::int32_t>(value & 0xFFFFu);
    Clear(out, value & 0xFFFFu);
  });
}

HRESULT CanonCD_Wr::GetPropAFDistance(std::uint32_t* out) {
  Clear(out);
  return GuardCanonResult([&] {
    const CameraCallLock lock(m_lock);
    std::uint16_t distance = 0;
    CallChecked<cd::kEntryAfDistance>(SourceHandle(), &distance, 0u);
    Clear(out, std::uint32_t{distance});
  });
}

std::uint16_t CanonCD_Wr::ReadFocalLength(std::uint32_t parameter) {
  std::uint16_t value = 0;
  std::uint32_t size = kTwoBytes;
  CallChecked<cd::kEntryReleaseControlRead>(SourceHandle(), parameter, &size, static_cast<void*>(&value));
  return value;
}

HRESULT CanonCD_Wr::GetPropOpticalZoom(std::int32_t* position, double* factor) {
  Clear(position);
  Clear(factor);
  return GuardCanonResult([&] {
    const CameraCallLock lock(m_lock);
    if (factor) {
      const std::uint16_t current = ReadFocalLength(cd::kParamFocalLengthCurrent);
      const std::uint16_t base = ReadFocalLength(cd::kParamFocalLengthBase);
      *factor = base == 0 ? 0.0 : static_cast<double>(current) / base;
    }
    if (position) {
      std::uint32_t at = 0;
      CallChecked<cd::kEntryZoomPosition>(SourceHandle(), &at);
      *position = static_cast<std::int32_t>(at);
    }
  });
}
