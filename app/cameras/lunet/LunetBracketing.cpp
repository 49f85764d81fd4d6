#include "app/cameras/lunet/LunetBracketing.h"

#include "app/cameras/lunet/LunetCaptureCamera.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "env/BrantelTakeError.h"

CLunetBracketing::CLunetBracketing(tarsel::lunet::ILunetCaptureCamera* camera)
    : CExposureBracketing(camera->Mutex()), m_camera(camera) {}

HRESULT CLunetBracketing::Init() {
  ITarselSettings* settings = GetLunetSdkWrapper(nullptr)->GetSettings();
  if (!settings) {
    // Without the family's settings the series is reset and stays off.
    try {
      Init(nullptr);
    } catch (const _brantel_take_error&) {
      return 0;
    }
  }
  return Init(settings);
}

void CLunetBracketing::Connect() {
  m_camera->Connect();
}

void CLunetBracketing::DisConnect() {
  m_camera->DisConnect();
}

CLunetBracketing::Exposure CLunetBracketing::GetExposure() {
  Exposure exposure{};
  m_camera->GetExposureProp3(&exposure.programMode, &exposure.aperture, &exposure.exposureTime);
  return exposure;
}

void CLunetBracketing::SetExposure(const Exposure& exposure) {
  m_camera->SetExposureProp3(exposure.programMode, exposure.aperture, exposure.exposureTime);
}

std::int32_t CLunetBracketing::GetExposureBias() {
  return m_camera->GetPropExpoBias();
}

void CLunetBracketing::SetExposureBias(std::int32_t bias) {
  m_camera->SetPropExpoBias(bias);
}

const tarsel::core::CapabilityValue* CLunetBracketing::GetValueTable(const char* name) {
  return m_camera->GetCapabilityTable(name);
}
