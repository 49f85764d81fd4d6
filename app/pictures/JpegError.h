// The error of the JPEG library as the picture classes report it: code
// 0x8106xxxx (facility 0x106, the library's message number in the low word),
// the library's own formatted message kept as the message text, and the
// picture explanation ("Picture file may be (or have been) saved as normal.").
//
// InstallThrowingErrorHandler prepares a library error manager whose fatal
// errors throw this error (the library's objects must be aborted or destroyed
// by the catcher), and whose warnings and trace messages are counted but
// never printed. Any thread; one library object per thread at a time.
#pragma once

#include "TarselPictures_export.h"
#include "env/BrantelTakeError.h"
#include "hostapi/Win32Types.h"

struct jpeg_error_mgr;

class TARSELPICTURES_EXPORT _JPEG_Error : public _brantel_take_error {
public:
  static constexpr HRESULT kFacilityBits = static_cast<HRESULT>(0x81060000u);
  // The library's "bad parameter" number, also used for our own parameter checks.
  static constexpr int kBadParameter = 4;

  // messageCode: the library's message number; message: its formatted text
  // (may be null or empty); explanation: shown under the error.
  _JPEG_Error(int messageCode, const char* message, const char* explanation);

  // The cached library message; else "Unknown Error" for code 0, else
  // "JPEG Error 0x%X" with the code.
  const char* ErrorMessage() const override;

private:
  mutable char m_cache[kMaxText + 1];
};

// The picture explanation every JPEG error carries.
TARSELPICTURES_EXPORT const char* JpegErrorExplanation();

// Sets up `manager` like the library's standard one, then makes fatal errors
// throw _JPEG_Error and keeps warnings silent. Returns `manager`.
TARSELPICTURES_EXPORT jpeg_error_mgr* InstallThrowingErrorHandler(jpeg_error_mgr& manager);

// Throws 0x81060004 (a bad rectangle, rotation code or scale) with the
// picture explanation.
[[noreturn]] TARSELPICTURES_EXPORT void ThrowJpegBadParameter();
