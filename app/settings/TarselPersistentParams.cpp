#include "app/settings/TarselPersistentParams.h"

#include "app/settings/TarselSettings.h"

using namespace tarsel::settings;

namespace {

// The value names keep their historical spelling: stored settings use them.
constexpr const char* kCaptureProfilePath = "LastUsedCapruteSettingsProfilePath";
constexpr const char* kDownloadDir = "LastDownloadDir";
constexpr const char* kFocusingImagesDir = "LastFocusingImagesDir";
constexpr const char* kWinPlace = "LastWinPlace";
constexpr const char* kCaptureDlgPlace = "LastCaptureDlgPlace";
constexpr const char* kPreviewWndPlace = "LastPreviewWndPlace";
constexpr const char* kCaptureDlgShown = "CaptureDlgShown";

} // namespace

CTarselPersistentParams::CTarselPersistentParams(REGSAM access) {
  m_key.Open(HKEY_CURRENT_USER, kProgramKey, access);
}

LONG CTarselPersistentParams::GetLastUsedCaptureSettingsProfilePath(char* buffer, DWORD* size) {
  return m_key.GetString(kCaptureProfilePath, buffer, size);
}

LONG CTarselPersistentParams::SetLastUsedCaptureSettingsProfilePath(const char* text) {
  return m_key.SetString(kCaptureProfilePath, text);
}

LONG CTarselPersistentParams::GetLastDownloadDir(char* buffer, DWORD* size) {
  return m_key.GetString(kDownloadDir, buffer, size);
}

LONG CTarselPersistentParams::SetLastDownloadDir(const char* text) {
  return m_key.SetString(kDownloadDir, text);
}

LONG CTarselPersistentParams::GetLastFocusingImagesDir(char* buffer, DWORD* size) {
  return m_key.GetString(kFocusingImagesDir, buffer, size);
}

LONG CTarselPersistentParams::SetLastFocusingImagesDir(const char* text) {
  return m_key.SetString(kFocusingImagesDir, text);
}

LONG CTarselPersistentParams::GetLastWinPlace(BYTE* buffer, DWORD* size) {
  return m_key.QueryBinaryInto(kWinPlace, buffer, size);
}

LONG CTarselPersistentParams::SetLastWinPlace(const BYTE* bytes, DWORD length) {
  return m_key.SetBinary(kWinPlace, bytes, length);
}

LONG CTarselPersistentParams::GetLastCaptureDlgPlace(BYTE* buffer, DWORD* size) {
  return m_key.QueryBinaryInto(kCaptureDlgPlace, buffer, size);
}

LONG CTarselPersistentParams::SetLastCaptureDlgPlace(const BYTE* bytes, DWORD length) {
  return m_key.SetBinary(kCaptureDlgPlace, bytes, length);
}

LONG CTarselPersistentParams::GetLastPreviewWndPlace(BYTE* buffer, DWORD* size) {
  return m_key.QueryBinaryInto(kPreviewWndPlace, buffer, size);
}

LONG CTarselPersistentParams::SetLastPreviewWndPlace(const BYTE* bytes, DWORD length) {
  return m_key.SetBinary(kPreviewWndPlace, bytes, length);
}

bool CTarselPersistentParams::GetCaptureDlgShown() {
  return m_key.GetBool(kCaptureDlgShown, false);
}

LONG CTarselPersistentParams::SetCaptureDlgShown(bool shown) {
  return m_key.SetDWord(kCaptureDlgShown, shown ? 1 : 0);
}
