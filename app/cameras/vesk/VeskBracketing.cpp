#include "app/cameras/vesk/VeskBracketing.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"

CVeskBracketing::CVeskBracketing(CVeskDllWr* camera)
    : CExposureBracketing(camera->Mutex()), m_camera(camera) {}

HRESULT CVeskBracketing::Init() {
  return Init(GetVeskSdkWrapper(nullptr)->GetSettings());
}

void CVeskBracketing::Connect() {
  m_camera->Connect();
}

void CVeskBracketing::DisConnect() {
  m_camera->DisConnect();
}

CVeskBracketing::Exposure CVeskBracketing::GetExposure() {
  Exposure exposure{};
  m_camera->GetExposureProp3(&exposure.programMode, &exposure.aperture, &exposure.exposureTime);
  return exposure;
}

void CVeskBracketing::SetExposure(const Exposure& exposure) {
  m_camera->SetExposureProp3(exposure.programMode, exposure.aperture, exposure.exposureTime);
}

std::int32_t CVeskBracketing::GetExposureBias() {
  return m_camera->GetPropExpoBias();
}

void CVeskBracketing::SetExposureBias(std::int32_t bias) {
  m_camera->SetPropExpoBias(bias);
}

const tarsel::core::CapabilityValue* CVeskBracketing::GetValueTable(const char* name) {
  CCapabilitySet* set = m_camera->GetCapabilitySet(name);
  return set ? set->GetValues() : nullptr;
}
