// The ActiveX camera's exposure-bracketing series: the shared series over
// this camera's operations. Program mode 1 (manual) steps the exposure
// time or the aperture, every other mode the exposure bias. The camera
// owns it; its lock is the camera's.
#pragma once

#include "app/cameras/common/FamilyBracketing.h"

namespace tarsel::lunet {
class ILunetCaptureCamera;
}

class CLunetBracketing : public tarsel::cameras::CFamilyBracketing<tarsel::lunet::ILunetCaptureCamera> {
public:
  explicit CLunetBracketing(tarsel::lunet::ILunetCaptureCamera* camera);

  using CExposureBracketing::Init;
  // Init with the family's settings; without them the series stays off.
  // A failure to open the user settings is thrown.
  HRESULT Init();

protected:
  const tarsel::core::CapabilityValue* GetValueTable(const char* name) override;
};
