// The camera-link camera's exposure-bracketing series: the shared series
// over this camera's operations. Program mode 1 (manual) steps the
// exposure time or the aperture, every other mode the exposure bias. The
// camera owns it; its lock is the camera's.
#pragma once

#include "app/cameras/common/FamilyBracketing.h"

class CVeskDllWr;

class CVeskBracketing : public tarsel::cameras::CFamilyBracketing<CVeskDllWr> {
public:
  explicit CVeskBracketing(CVeskDllWr* camera);

  using CExposureBracketing::Init;
  // Init with the family's settings.
  HRESULT Init();

protected:
  const tarsel::core::CapabilityValue* GetValueTable(const char* name) override;
};
