#include "app/cameras/canon/CanonCDCameraInfo.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCameraClock.h"
#include "app/ui/CameraConnectGuard.h"
#include "env/BrantelTakeError.h"

#include <cstdint>

namespace {

// 100-ns units from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;
constexpr std::uint64_t kUnitsPerSecond = 10000000ULL;

// The clock's seconds as calendar fields carried as UTC, and back.
FILETIME fieldsOf(std::uint32_t seconds) {
  const std::uint64_t units = kUnixEpoch + static_cast<std::uint64_t>(seconds) * kUnitsPerSecond;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(units & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(units >> 32);
  return time;
}

std::uint32_t secondsOf(const FILETIME& fields) {
  const std::uint64_t units =
      (static_cast<std::uint64_t>(fields.dwHighDateTime) << 32) | fields.dwLowDateTime;
  return units <= kUnixEpoch ? 0 : static_cast<std::uint32_t>((units - kUnixEpoch) / kUnitsPerSecond);
}

} // namespace

tarsel::dialogs::CameraInfoValues CCanonCDCameraInfo::ReadInfo() {
  const CCameraConnectGuard connection(m_camera);
  tarsel::dialogs::CameraInfoValues values;
  // "Camera Type" is the model text; the camera ID is the name the user gives.
  values.model = m_camera->GetCameraId();
  values.cameraId = m_camera->GetCameraName();
  values.firmware = m_camera->GetCameraLabel();
  ThrowIfFailed(m_camera->HasMedia(&values.hasMedia));
  if (values.hasMedia) {
    std::uint32_t stored = 0;
    std::uint32_t remaining = 0;
    std::uint64_t free = 0;
    ThrowIfFailed(m_camera->GetPropPicCount(&stored));
    ThrowIfFailed(m_camera->GetRemainCount(&remaining));
    ThrowIfFailed(m_camera->GetMemoryFree(&free));
    values.storedPictures = static_cast<std::int32_t>(stored);
    values.remainingPictures = static_cast<std::int32_t>(remaining);
    values.freeBytes = static_cast<std::int64_t>(free);
  }
  return values;
}

FILETIME CCanonCDCameraInfo::ReadClock() {
  FILETIME utc{};
  ThrowIfFailed(m_camera->GetPropCameraTime(&utc));
  return fieldsOf(tarsel::canon::FileTimeToCameraClock(utc));
}

void CCanonCDCameraInfo::Apply(const std::optional<std::string>& cameraId,
                               const std::optional<FILETIME>& clock) {
  const CCameraConnectGuard connection(m_camera);
  if (cameraId)
    ThrowIfFailed(m_camera->SetPropCameraID(cameraId->c_str()));
  if (clock)
    ThrowIfFailed(m_camera->SetPropCameraTime(tarsel::canon::CameraClockToFileTime(secondsOf(*clock))));
}
