// The program's own state below HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel:
// the folders last used and the stored window placements. Operations keep
// this order (the table of virtual functions is shared with other modules).
//
// String getters follow the settings' string protocol (see ISaverSettings.h,
// GetString). Placement getters read the bytes of a REG_BINARY value into
// (buffer, in/out size): a null buffer asks for the size, a buffer too small
// gives 234 and the size needed, a value of another type gives 13. The bytes
// are a WindowPlacement record (app/settings/WindowPlacement.h); whoever
// applies them checks the record. Setters return the registry's result; a
// read-only object refuses them with 5.
#pragma once

#include "hostapi/RefCounted.h"
#include "hostapi/Win32Types.h"

class ITarselPersistentParams : public CRefCounted {
public:
  virtual LONG GetLastUsedCaptureSettingsProfilePath(char* buffer, DWORD* size) = 0;
  virtual LONG SetLastUsedCaptureSettingsProfilePath(const char* text) = 0;
  virtual LONG GetLastDownloadDir(char* buffer, DWORD* size) = 0;
  virtual LONG SetLastDownloadDir(const char* text) = 0;
  virtual LONG GetLastFocusingImagesDir(char* buffer, DWORD* size) = 0;
  virtual LONG SetLastFocusingImagesDir(const char* text) = 0;
  virtual LONG GetLastWinPlace(BYTE* buffer, DWORD* size) = 0;
  virtual LONG SetLastWinPlace(const BYTE* bytes, DWORD length) = 0;
  virtual LONG GetLastCaptureDlgPlace(BYTE* buffer, DWORD* size) = 0;
  virtual LONG SetLastCaptureDlgPlace(const BYTE* bytes, DWORD length) = 0;
  virtual LONG GetLastPreviewWndPlace(BYTE* buffer, DWORD* size) = 0;
  virtual LONG SetLastPreviewWndPlace(const BYTE* bytes, DWORD length) = 0;
  virtual bool GetCaptureDlgShown() = 0;
  virtual LONG SetCaptureDlgShown(bool shown) = 0;
};
