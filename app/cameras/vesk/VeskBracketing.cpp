#include "app/cameras/vesk/VeskBracketing.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"

CVeskBracketing::CVeskBracketing(CVeskDllWr* camera) : CFamilyBracketing(camera) {}

HRESULT CVeskBracketing::Init() {
  return Init(GetVeskSdkWrapper(nullptr)->GetSettings());
}

const tarsel::core::CapabilityValue* CVeskBracketing::GetValueTable(const char* name) {
  CCapabilitySet* set = m_camera->GetCapabilitySet(name);
  return set ? set->GetValues() : nullptr;
}
