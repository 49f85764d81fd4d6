// A Canon camera's capture settings as text: the capture profile it writes
// ("CPFFv001", then CamType, LcdMode, Aperture, ExposureTime, ProgramMode,
// ExpoBias, IsoSpeed, Flash, WhiteBalance, Metering, Resolution,
// OpticalZoom and "AF Distance", the SDK's codes as decimal numbers in the
// C locale; Aperture, ExposureTime and ExpoBias only where the program mode
// lets them be set), the profile reader that applies one, and the keyword
// items ("APERTURE=2.8", "FLASH=Off" ...) matched against the family's
// tables.
//
// Threads: the caller's; each operation holds the camera's lock while it
// reads or applies. Failure: results are codes. The writer stores nothing
// when it fails. The reader returns 0x81020005 (not a profile), 0x81020006
// (an unsupported version), 0x81020007 (another camera type), or the code
// of the first setter that failed, the lines before it staying applied.
#pragma once

#include "app/cameras/canon/CanonSettingsCamera.h"
#include "env/ICaptureProfileStorage.h"
#include "hostapi/Win32Types.h"

namespace tarsel::canon {

// 1: the profile held no line that could be applied.
inline constexpr HRESULT kNothingApplied = 1;

HRESULT WriteCaptureSettingsText(ICanonSettingsCamera& camera, ICaptureProfileStorage* storage);
// 0 when at least one setting was applied.
HRESULT ApplyCaptureSettingsText(ICanonSettingsCamera& camera, const ICaptureProfileStorage* storage);
// 0, or the warning (0x41020014 ...) of the last value that matched nothing.
HRESULT ApplyKeywordSettings(ICanonSettingsCamera& camera, const char* items);

} // namespace tarsel::canon
