// The program's persistent parameters on HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel
// (ITarselPersistentParams.h). The key is opened by the constructor; a key
// that cannot be opened or created makes every operation fail with that
// error (the flag getter then gives its default). One thread at a time.
#pragma once

#include "app/settings/RegistryKey.h"
#include "hostapi/ITarselPersistentParams.h"

class CTarselPersistentParams : public ITarselPersistentParams {
public:
  explicit CTarselPersistentParams(REGSAM access);

  LONG GetLastUsedCaptureSettingsProfilePath(char* buffer, DWORD* size) override;
  LONG SetLastUsedCaptureSettingsProfilePath(const char* text) override;
  LONG GetLastDownloadDir(char* buffer, DWORD* size) override;
  LONG SetLastDownloadDir(const char* text) override;
  LONG GetLastFocusingImagesDir(char* buffer, DWORD* size) override;
  LONG SetLastFocusingImagesDir(const char* text) override;
  LONG GetLastWinPlace(BYTE* buffer, DWORD* size) override;
  LONG SetLastWinPlace(const BYTE* bytes, DWORD length) override;
  LONG GetLastCaptureDlgPlace(BYTE* buffer, DWORD* size) override;
  LONG SetLastCaptureDlgPlace(const BYTE* bytes, DWORD length) override;
  LONG GetLastPreviewWndPlace(BYTE* buffer, DWORD* size) override;
  LONG SetLastPreviewWndPlace(const BYTE* bytes, DWORD length) override;
  bool GetCaptureDlgShown() override;
  LONG SetCaptureDlgShown(bool shown) override;

private:
  tarsel::settings::CRegistryKey m_key;
};
