#include "app/cameras/canon/CanonExposureAccess.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonCapabilityDefaults.h"

using tarsel::canon::CallChecked;
using tarsel::canon::CameraCallLock;
namespace canon = tarsel::canon;
namespace cd = tarsel::cdsdk;

namespace {

constexpr std::int32_t kShutterPriority = 2;
constexpr std::int32_t kAperturePriority = 3;
constexpr std::int32_t kManual = 4;

} // namespace

std::recursive_mutex& CCanonExposureAccess::CallMutex() {
  return m_camera.CallMutex();
}

void CCanonExposureAccess::GetExposure(std::int32_t* programMode, std::int32_t* aperture,
                                       std::int32_t* exposureTime) {
  const CameraCallLock lock(CallMutex());
  const std::uint32_t source = m_camera.SourceHandle();
  std::uint32_t mode = 0;
  std::uint16_t av = 0;
  std::uint16_t tv = 0;
  CallChecked<cd::kEntryProgramMode>(source, &mode, 0u);
  CallChecked<cd::kEntryAperture>(source, &av, 0u);
  CallChecked<cd::kEntryExposureTime>(source, &tv, 0u);
  if (programMode)
    *programMode = static_cast<std::int32_t>(mode & 0xFFFFu);
  if (aperture)
    *aperture = av;
  if (exposureTime)
    *exposureTime = tv;
}

void CCanonExposureAccess::SetExposure(std::int32_t programMode, std::int32_t aperture,
                                       std::int32_t exposureTime) {
  const CameraCallLock lock(CallMutex());
  const std::uint32_t source = m_camera.SourceHandle();
  if (OffersCapability(canon::kProgramMode))
    CallChecked<cd::kEntrySetProgramMode>(source, static_cast<std::uint32_t>(programMode));
  if (OffersCapability(canon::kAperture) && (programMode == kAperturePriority || programMode == kManual))
    CallChecked<cd::kEntrySetAperture>(source, static_cast<std::uint16_t>(aperture));
  if (OffersCapability(canon::kExposureTime) && (programMode == kShutterPriority || programMode == kManual))
    CallChecked<cd::kEntrySetExposureTime>(source, static_cast<std::uint16_t>(exposureTime));
}

std::int32_t CCanonExposureAccess::GetExposureBias() {
  const CameraCallLock lock(CallMutex());
  std::uint32_t bias = 0;
  CallChecked<cd::kEntryExposureBias>(m_camera.SourceHandle(), &bias, 0u);
  return static_cast<std::int32_t>(bias & 0xFFFFu);
}

void CCanonExposureAccess::SetExposureBias(std::int32_t bias) {
  const CameraCallLock lock(CallMutex());
  if (OffersCapability(canon::kExposureBias))
    CallChecked<cd::kEntrySetExposureBias>(m_camera.SourceHandle(), static_cast<std::uint32_t>(bias));
}

const tarsel::core::CapabilityValue* CCanonExposureAccess::GetValueTable(const char* name) {
  const CameraCallLock lock(CallMutex());
  CCapabilitySet* set = m_camera.Capabilities().Find(name);
  return set && !set->IsUnsupported() ? set->GetValues() : nullptr;
}

bool CCanonExposureAccess::OffersCapability(int capability) {
  const CameraCallLock lock(CallMutex());
  const CCapabilitySet* set = m_camera.Capabilities().Set(capability);
  return set && !set->IsUnsupported();
}
