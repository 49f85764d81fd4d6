#include "app/cameras/canon/CanonCDWr.h"

#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/common/FamilyDataFolder.h"
#include "env/BrantelTakeError.h"

using tarsel::canon::CameraCallLock;

CanonCD_Wr::CanonCD_Wr(const CanonSourceInfo& source)
    : m_source(std::make_unique<CCanonSource>(source.index)), m_displayName(source.displayName),
      m_modelName(source.sourceName) {}

CanonCD_Wr::~CanonCD_Wr() {
  // The capture-properties dialog goes with the camera.
  CloseCaptureProperties();
  const CameraCallLock lock(m_lock);
  m_source.reset();
}

std::int32_t CanonCD_Wr::GetSourceIndex() const {
  return m_source ? static_cast<std::int32_t>(m_source->GetSourceIndex()) : -1;
}

IBaseSDK_Wr* CanonCD_Wr::GetSdk() {
  return GetCanonCDSdkWrapper(nullptr);
}

HRESULT CanonCD_Wr::InitCameraObject(_ISdkCallback*, HWND) {
  return kNotImplemented;
}

HRESULT CanonCD_Wr::TakeOverFrom(ICameraHiLevel*) {
  return kNotImplemented;
}

bool CanonCD_Wr::IsSameCamera(ICameraHiLevel* other) {
  auto* canon = dynamic_cast<CanonCD_Wr*>(other);
  return canon && canon->m_displayName == m_displayName;
}

HRESULT CanonCD_Wr::LeaveRemoteMode() {
  const CameraCallLock lock(m_lock);
  m_source->ForceLeaveRemoteRelease();
  return 0;
}

const char* CanonCD_Wr::GetModelName() {
  return m_modelName.c_str();
}

std::string CanonCD_Wr::BuildProfilePath() {
  return CCanonCapabilities::ProfilePath(tarsel::cameras::FamilyDataFolder(GetSdk()->GetSettings()),
                                         GetModelName());
}

void CanonCD_Wr::LoadCameraCapabilities() {
  const CameraCallLock lock(m_lock);
  m_capabilities.Load(BuildProfilePath());
  m_capabilitiesLoaded = true;
}

bool CanonCD_Wr::GetCapabilities(bool reload) {
  try {
    const CameraCallLock lock(m_lock);
    if (reload || !m_capabilitiesLoaded)
      LoadCameraCapabilities();
    return m_capabilities.IsComplete();
  } catch (...) {
    return false;
  }
}

HRESULT CanonCD_Wr::GetBatteryStatus(std::int32_t* level) {
  if (level)
    *level = -1;
  return kNotImplemented;
}
