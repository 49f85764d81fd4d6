#include "app/cameras/lunet/LunetBracketing.h"

#include "app/cameras/lunet/LunetCaptureCamera.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "env/BrantelTakeError.h"

CLunetBracketing::CLunetBracketing(tarsel::lunet::ILunetCaptureCamera* camera) : CFamilyBracketing(camera) {}

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

const tarsel::core::CapabilityValue* CLunetBracketing::GetValueTable(const char* name) {
  return m_camera->GetCapabilityTable(name);
}
