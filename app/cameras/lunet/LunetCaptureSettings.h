// The capture settings of an ActiveX camera as a capture-profile text
// (written "CPFFv001" with the family's keys in their order and under their
// conditions, and read back) and in the keyword form ("APERTURE=2.8" ...,
// matched against the family's value tables).
//
// Threads: the caller's; the camera's lock and one connection span each
// operation. Failure: each operation returns its result or the code of the
// error that ended it (0x8000FFFF for anything not a suite error); settings
// applied before a failing line stay applied.
#pragma once

#include "app/cameras/lunet/LunetCaptureCamera.h"
#include "env/ICaptureProfileStorage.h"
#include "hostapi/Win32Types.h"

namespace tarsel::core {
class CaptureProfileWriter;
}

namespace tarsel::lunet {

class CLunetCaptureSettings {
public:
  explicit CLunetCaptureSettings(ILunetCaptureCamera& camera) : m_camera(camera) {}

  // Builds the text and hands it to `storage`. 0 or an error code.
  HRESULT GetCaptureSettingsText(ICaptureProfileStorage* storage);
  // Applies the text `storage` holds: 0 when a recognised key was applied,
  // 1 when none was; 0x81020005 (not a profile), 0x81020006 (another
  // version), 0x81020007 (saved for another camera type: later lines are
  // not applied), or a camera error.
  HRESULT ApplyCaptureSettingsText(ICaptureProfileStorage* storage);
  // Applies the keyword form: 0, the warning of the last value not
  // understood (0x41020014 ... 0x41020021), or a camera error.
  HRESULT ApplyKeywordSettings(const char* items);

private:
  void BuildText(tarsel::core::CaptureProfileWriter& writer);
  HRESULT ApplyText(const ICaptureProfileStorage& storage);

  ILunetCaptureCamera& m_camera;
};

} // namespace tarsel::lunet
