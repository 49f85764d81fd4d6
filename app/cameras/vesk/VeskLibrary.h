// The camera-link library as the main program reaches it: loaded at run time
// (never linked), its 84 exports bound by name into one process-wide table,
// and the translation of the library's CVeskNVError into the program's
// _brantel_take_error of facility 0x104 together with the error-log entry.
//
// Threads: LoadVeskDll and FreeVeskDll run on the user-interface thread
// before the first and after the last camera object; every other function
// may be called from any thread. The table is read with atomic loads.
//
// Failure: a missing library or export is not reported when loading; every
// call that needs the export then fails with 0x81041000 ("DLL function is
// missing.").
#pragma once

#include "hostapi/Win32Types.h"
#include "vesklib/VeskDLL.h"
#include "vesklib/VeskNVError.h"

#include <cstddef>
#include <string>

class CVeskDllWr;

// The library's exports in the order of the binding table.
#define TARSEL_VESK_EXPORTS(X)                                                                               \
  X(UseDriveNames)                                                                                           \
  X(GetPropCameraCount)                                                                                      \
  X(GetPropConnectCamera)                                                                                    \
  X(CameraReady)                                                                                             \
  X(GetPropPicCount)                                                                                         \
  X(GetRemainCount)                                                                                          \
  X(GetPropCameraTime)                                                                                       \
  X(SetPropCameraTime)                                                                                       \
  X(GetPropCameraID)                                                                                         \
  X(SetPropCameraID)                                                                                         \
  X(GetPropPowerSaveCamera)                                                                                  \
  X(SetPropPowerSaveCamera)                                                                                  \
  X(GetPropPowerSaveHost)                                                                                    \
  X(SetPropPowerSaveHost)                                                                                    \
  X(GetPropPowerSaveLCD)                                                                                     \
  X(SetPropPowerSaveLCD)                                                                                     \
  X(GetPropLCDBrightness)                                                                                    \
  X(SetPropLCDBrightness)                                                                                    \
  X(SetPropCurrentPicture)                                                                                   \
  X(GetPropOpticalZoom)                                                                                      \
  X(SetPropOpticalZoom)                                                                                      \
  X(GetPropElectricZoom)                                                                                     \
  X(SetPropElectricZoom)                                                                                     \
  X(GetPropFocusMode)                                                                                        \
  X(SetPropFocusMode)                                                                                        \
  X(GetPropFlash)                                                                                            \
  X(SetPropFlash)                                                                                            \
  X(GetPropResolution)                                                                                       \
  X(SetPropResolution)                                                                                       \
  X(SetPropLed)                                                                                              \
  X(GetPropWhiteBalance)                                                                                     \
  X(SetPropWhiteBalance)                                                                                     \
  X(GetPropExpoBias)                                                                                         \
  X(SetPropExpoBias)                                                                                         \
  X(GetPropMetering)                                                                                         \
  X(SetPropMetering)                                                                                         \
  X(GetPropIsoSpeed)                                                                                         \
  X(SetPropIsoSpeed)                                                                                         \
  X(GetPropFocusPosition)                                                                                    \
  X(SetPropFocusPosition)                                                                                    \
  X(GetPropIndexSize)                                                                                        \
  X(GetPropPicSize)                                                                                          \
  X(GetPropProtect)                                                                                          \
  X(SetPropProtect)                                                                                          \
  X(GetPropFileName)                                                                                         \
  X(GetPropFolderCount)                                                                                      \
  X(SetPropFolderNo)                                                                                         \
  X(GetPropFolderName)                                                                                       \
  X(SetPropFolderName)                                                                                       \
  X(GetFirmwareVersion)                                                                                      \
  X(InitControl)                                                                                             \
  X(Connect)                                                                                                 \
  X(DisConnect)                                                                                              \
  X(GetIndex)                                                                                                \
  X(GetPicture)                                                                                              \
  X(GetPreview)                                                                                              \
  X(ErasePicture)                                                                                            \
  X(EraseAll)                                                                                                \
  X(EraseLast)                                                                                               \
  X(Preview)                                                                                                 \
  X(Capture)                                                                                                 \
  X(SetLcdMode)                                                                                              \
  X(GetCustomValue)                                                                                          \
  X(SetCustomValue)                                                                                          \
  X(GetCaptureProp)                                                                                          \
  X(SetCaptureProp)                                                                                          \
  X(GetCameraProp)                                                                                           \
  X(GetPictureProp)                                                                                          \
  X(GetPicTagProp)                                                                                           \
  X(GetMemoryProp)                                                                                           \
  X(GetFolderProp)                                                                                           \
  X(GetExposureProp)                                                                                         \
  X(SetExposureProp)                                                                                         \
  X(SetCustomValue3)                                                                                         \
  X(GetCustomValue3)                                                                                         \
  X(GetCaptureProp3)                                                                                         \
  X(SetCaptureProp3)                                                                                         \
  X(GetCameraProp3)                                                                                          \
  X(GetPictureProp3)                                                                                         \
  X(GetPicTagProp3)                                                                                          \
  X(GetMemoryProp3)                                                                                          \
  X(GetFolderProp3)                                                                                          \
  X(GetExposureProp3)                                                                                        \
  X(SetExposureProp3)

namespace tarsel::vesk {

enum class Export : int {
#define TARSEL_VESK_ENUM(name) name,
  TARSEL_VESK_EXPORTS(TARSEL_VESK_ENUM)
#undef TARSEL_VESK_ENUM
};

inline constexpr std::size_t kExportCount = 84;

// Codes of facility 0x104 that the binding produces itself.
inline constexpr HRESULT kDllFunctionMissing = static_cast<HRESULT>(0x81041000u);
inline constexpr HRESULT kCannotConnect = static_cast<HRESULT>(0x81041001u);
inline constexpr HRESULT kOtherError = static_cast<HRESULT>(0x810400FFu);
inline constexpr HRESULT kVeskFacilityBase = static_cast<HRESULT>(0x81040000u);

// The export's name as the library spells it.
const char* ExportName(Export which);
// The bound address, null when the library or the export is missing.
void* ExportAddress(Export which);

// The export's function type, taken from the library's own declaration.
template <Export E> struct ExportType;
#define TARSEL_VESK_TYPE(name)                                                                               \
  template <> struct ExportType<Export::name> { using type = decltype(&::name); };
TARSEL_VESK_EXPORTS(TARSEL_VESK_TYPE)
#undef TARSEL_VESK_TYPE

template <Export E> typename ExportType<E>::type BoundExport() {
  return reinterpret_cast<typename ExportType<E>::type>(ExportAddress(E));
}

// The name cleaning of the log entry: after a "return" the first seven
// characters go (never past the end), then everything up to the last '.',
// then everything from the first '('.
std::string CleanFunctionName(const char* name);

} // namespace tarsel::vesk

// The library beside the running program.
std::string VeskDllDefaultPath();
// Loads the library and binds the table; nothing happens when one is loaded.
// A library that cannot be loaded leaves every entry null.
void LoadVeskDll(const std::string& path = VeskDllDefaultPath());
// Unloads the library and clears the table.
void FreeVeskDll();
// Loads the library, then initialises it; throws the translated library
// error, or 0x81041000 when the library or its export is missing.
int VeskInitControl();
// How many cameras the library sees; throws as VeskInitControl.
int VeskGetPropCameraCount();

// Throws the library error as _brantel_take_error: a Win32 number (kind 1)
// unchanged, a library number as (code & 0xFFFF) | 0x81040000.
[[noreturn]] void ThrowVeskError(const CVeskNVError& error, const char* explanation);
// The code ThrowVeskError would throw.
HRESULT VeskErrorToHResult(const CVeskNVError& error);
// Logs a caught library error for `function` (and the camera when given).
void CheckVeskResult(const CVeskNVError& error, const char* function, CVeskDllWr* camera);
// Writes one error-log entry for `code`, produced by `function`.
void FormatVeskError(HRESULT code, const char* function, CVeskDllWr* camera);
