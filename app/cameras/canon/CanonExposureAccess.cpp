#include "app/cameras/canon/CanonExposureAccess.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "env/BrantelTakeError.h"

std::recursive_mutex& CCanonExposureAccess::CallMutex() {
  return m_camera.CallMutex();
}

void CCanonExposureAccess::GetExposure(std::int32_t* programMode, std::int32_t* aperture,
                                       std::int32_t* exposureTime) {
  std::uint32_t mode = 0;
  std::uint32_t av = 0;
  std::uint32_t tv = 0;
  ThrowIfFailed(m_camera.GetExposure(&mode, &av, &tv));
  if (programMode)
    *programMode = static_cast<std::int32_t>(mode);
  if (aperture)
    *aperture = static_cast<std::int32_t>(av);
  if (exposureTime)
    *exposureTime = static_cast<std::int32_t>(tv);
}

void CCanonExposureAccess::SetExposure(std::int32_t programMode, std::int32_t aperture,
                                       std::int32_t exposureTime) {
  ThrowIfFailed(m_camera.SetExposure(static_cast<std::uint32_t>(programMode),
                                     static_cast<std::uint32_t>(aperture),
                                     static_cast<std::uint32_t>(exposureTime)));
}

std::int32_t CCanonExposureAccess::GetExposureBias() {
  std::uint32_t bias = 0;
  ThrowIfFailed(m_camera.GetPropExpoBias(&bias));
  return static_cast<std::int32_t>(bias);
}

void CCanonExposureAccess::SetExposureBias(std::int32_t bias) {
  ThrowIfFailed(m_camera.SetPropExpoBias(static_cast<std::uint32_t>(bias)));
}

const tarsel::core::CapabilityValue* CCanonExposureAccess::GetValueTable(const char* name) {
  return m_camera.GetValueTable(name);
}

bool CCanonExposureAccess::OffersCapability(int capability) {
  return m_camera.HasCapability(capability);
}
