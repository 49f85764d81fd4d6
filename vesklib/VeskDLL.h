// The camera-link library's exported interface: 84 plain functions with
// undecorated names. Every function may throw CVeskNVError (VeskNVError.h);
// Connect and DisConnect return their failure numbers instead, InitControl
// returns 0 or 29. The first argument of a camera function is the camera's
// zero-based number in the list that GetPropCameraCount built last.
//
// Texts returned as const char* live in a buffer of that camera's own and
// stay valid until the next text call for the same camera. Record buffers
// passed as void* must hold the record's size below. Progress call-backs run
// on the thread that called the transfer; the completion call-back of an
// asynchronous Capture or Preview runs on its own short-lived thread, after
// the camera has become ready again.
#pragma once

#include "VeskDLL_export.h"
#include "vesklib/VeskNVError.h"

#include <cstddef>
#include <cstdint>

// Progress of a data transfer: bytes received so far, bytes of the last block.
struct VESK_PROGRESS {
  std::uint32_t received;
  std::uint32_t lastBlock;
};

// Progress call-back (camera, progress, context). The completion call-back has
// the same shape and receives a null progress record.
using VESK_PROGRESS_CALLBACK = void (*)(int camera, const VESK_PROGRESS* progress, void* context);
using VESK_COMPLETION_CALLBACK = VESK_PROGRESS_CALLBACK;

// Sizes of the records the record functions read and write.
inline constexpr std::size_t VESK_CAMERA_PROP_SIZE = 32;   // 8 u32
inline constexpr std::size_t VESK_PICTURE_PROP_SIZE = 32;  // 8 u32
inline constexpr std::size_t VESK_MEMORY_PROP_SIZE = 76;   // u32, char[32], char[32], u32, u32
inline constexpr std::size_t VESK_PICTAG_PROP_SIZE = 76;   // 5 u32, char[20], 9 u32 (flash flag at 64)
inline constexpr std::size_t VESK_FOLDER_PROP_SIZE = 20;   // 5 u32
inline constexpr std::size_t VESK_CAPTURE_PROP_SIZE = 32;  // 4 u32 values, then zeros
inline constexpr std::size_t VESK_EXPOSURE_PROP_SIZE = 20; // mode, aperture, 10, exposure time (us), 0
inline constexpr std::size_t VESK_CUSTOM_VALUE_SIZE = 64;  // 16 u32, divisors 10 at words 3, 5 and 8

extern "C" {

// Device and list functions.
VESKDLL_EXPORT void UseDriveNames(int flag);
VESKDLL_EXPORT int InitControl();
VESKDLL_EXPORT int GetPropCameraCount();
VESKDLL_EXPORT const char* GetPropConnectCamera(int camera);
VESKDLL_EXPORT int CameraReady(int camera);
VESKDLL_EXPORT int Connect(int camera);
VESKDLL_EXPORT int DisConnect(int camera);

// Registers: getters return the value, setters the camera's status byte.
VESKDLL_EXPORT int GetPropCameraTime(int camera);
VESKDLL_EXPORT int SetPropCameraTime(int camera, int value);
VESKDLL_EXPORT int SetPropCurrentPicture(int camera, int value);
VESKDLL_EXPORT int GetPropElectricZoom(int camera);
VESKDLL_EXPORT int SetPropElectricZoom(int camera, int value);
VESKDLL_EXPORT int GetPropFlash(int camera);
VESKDLL_EXPORT int SetPropFlash(int camera, int value);
VESKDLL_EXPORT int GetPropFocusMode(int camera);
VESKDLL_EXPORT int SetPropFocusMode(int camera, int value);
VESKDLL_EXPORT int GetPropFocusPosition(int camera);
VESKDLL_EXPORT int SetPropFocusPosition(int camera, int value);
VESKDLL_EXPORT int GetPropFolderCount(int camera);
VESKDLL_EXPORT int SetPropFolderNo(int camera, int value);
VESKDLL_EXPORT int GetPropIndexSize(int camera);
VESKDLL_EXPORT int GetPropIsoSpeed(int camera);
VESKDLL_EXPORT int SetPropIsoSpeed(int camera, int value);
VESKDLL_EXPORT int GetPropLCDBrightness(int camera);
VESKDLL_EXPORT int SetPropLCDBrightness(int camera, int value);
VESKDLL_EXPORT int GetPropMetering(int camera);
VESKDLL_EXPORT int SetPropMetering(int camera, int value);
VESKDLL_EXPORT int GetPropPicCount(int camera);
VESKDLL_EXPORT int GetPropPicSize(int camera);
VESKDLL_EXPORT int GetPropPowerSaveCamera(int camera);
VESKDLL_EXPORT int SetPropPowerSaveCamera(int camera, int value);
VESKDLL_EXPORT int GetPropPowerSaveHost(int camera);
VESKDLL_EXPORT int SetPropPowerSaveHost(int camera, int value);
VESKDLL_EXPORT int GetPropPowerSaveLCD(int camera);
VESKDLL_EXPORT int SetPropPowerSaveLCD(int camera, int value);
VESKDLL_EXPORT int GetPropProtect(int camera);
VESKDLL_EXPORT int GetPropResolution(int camera);
VESKDLL_EXPORT int SetPropResolution(int camera, int value);
VESKDLL_EXPORT int GetPropWhiteBalance(int camera);
VESKDLL_EXPORT int SetPropWhiteBalance(int camera, int value);
VESKDLL_EXPORT int GetRemainCount(int camera);
VESKDLL_EXPORT int SetPropLed(int camera, int value);
// The two 8-byte values: the setter sends {value, 10}, the getter returns the first word.
VESKDLL_EXPORT int GetPropOpticalZoom(int camera);
VESKDLL_EXPORT int SetPropOpticalZoom(int camera, int value);
VESKDLL_EXPORT int GetPropExpoBias(int camera);
VESKDLL_EXPORT int SetPropExpoBias(int camera, int value);

// Texts.
VESKDLL_EXPORT const char* GetPropCameraID(int camera);
VESKDLL_EXPORT const char* GetPropFileName(int camera);
VESKDLL_EXPORT const char* GetPropFolderName(int camera);
VESKDLL_EXPORT const char* GetFirmwareVersion(int camera);
VESKDLL_EXPORT int SetPropCameraID(int camera, char* text); // at most the first 31 characters
VESKDLL_EXPORT int SetPropFolderName(int camera, char* text);

// Records: reads return 1 when the whole record arrived, writes the status byte.
VESKDLL_EXPORT int GetCameraProp(int camera, void* record);
VESKDLL_EXPORT int GetCameraProp3(int camera, int* v1, int* v2, int* v3, int* v4, short* v5, int* v6,
                                  int* v7);
VESKDLL_EXPORT int GetPictureProp(int camera, void* record);
VESKDLL_EXPORT int GetPictureProp3(int camera, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6);
VESKDLL_EXPORT int GetMemoryProp(int camera, void* record);
VESKDLL_EXPORT int GetMemoryProp3(int camera, int* v1, char* text1, char* text2, int* v2, int* v3);
VESKDLL_EXPORT int GetPicTagProp(int camera, void* record);
VESKDLL_EXPORT int GetPicTagProp3(int camera, int* v1, int* v2, int* v3, int* v4, char* text, int* v5,
                                  int* v6, int* v7, int* v8, int* v9);
VESKDLL_EXPORT int GetFolderProp(int camera, void* record);
VESKDLL_EXPORT int GetFolderProp3(int camera, int* v123, int* v4, int* v5);
VESKDLL_EXPORT int GetCaptureProp(int camera, void* record);
VESKDLL_EXPORT int GetCaptureProp3(int camera, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6);
VESKDLL_EXPORT int SetCaptureProp(int camera, void* record);
VESKDLL_EXPORT int SetCaptureProp3(int camera, int v1, int v2, int v3, int v4);
VESKDLL_EXPORT int GetExposureProp(int camera, void* record);
VESKDLL_EXPORT int GetExposureProp3(int camera, int* mode, int* aperture, int* exposureTime);
VESKDLL_EXPORT int SetExposureProp(int camera, void* record);
VESKDLL_EXPORT int SetExposureProp3(int camera, int mode, int aperture, int exposureTime);
VESKDLL_EXPORT int GetCustomValue(int camera, void* record);
VESKDLL_EXPORT int GetCustomValue3(int camera, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6, int* v7,
                                   int* v8, int* v9, int* v10, int* v11, int* v12, int* v13);
VESKDLL_EXPORT int SetCustomValue(int camera, void* record);
VESKDLL_EXPORT int SetCustomValue3(int camera, int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8,
                                   int v9, int v10, int v11, int v12, int v13);

// Transfers: a non-null call-back replaces the progress call-back; the data
// object is read into buffer (never past bufferSize bytes); 1 when the last
// block arrived.
VESKDLL_EXPORT int GetIndex(int camera, int bufferSize, void* buffer, VESK_PROGRESS_CALLBACK progress,
                            void* context);
VESKDLL_EXPORT int GetPicture(int camera, int bufferSize, void* buffer, VESK_PROGRESS_CALLBACK progress,
                              void* context);
VESKDLL_EXPORT int GetPreview(int camera, int bufferSize, void* buffer, VESK_PROGRESS_CALLBACK progress,
                              void* context);

// Actions.
VESKDLL_EXPORT int EraseAll(int camera);
VESKDLL_EXPORT int EraseLast(int camera);
VESKDLL_EXPORT int ErasePicture(int camera);
VESKDLL_EXPORT int SetLcdMode(int camera, int mode);
VESKDLL_EXPORT int SetPropProtect(int camera, int flag);
// A non-null call-back replaces the completion call-back. Asynchronous calls
// return a non-zero command-thread handle at once.
VESKDLL_EXPORT int Capture(int camera, bool asynchronous, VESK_COMPLETION_CALLBACK completion, void* context);
VESKDLL_EXPORT int Preview(int camera, bool asynchronous, VESK_COMPLETION_CALLBACK completion, void* context);

} // extern "C"
