#include "app/settings/TarselUserSettings.h"

#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "env/CamStorageDir.h"
#include "env/FileSystem.h"
#include "platform/Win32Error.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace tarsel::settings;

namespace {

// Value names are written as they are stored, historical spellings included
// ("BraketingParam", "BraketingNumPics").
constexpr const char* kLcdOrPreview = "LcdOrPreview";
constexpr DWORD kDefaultDeviceNotificationDelay = 1000;

} // namespace

CTarselUserSettings::CTarselUserSettings(REGSAM access) {
  m_key.Open(HKEY_CURRENT_USER, kOptionsKey, access);
}

ULONGLONG CTarselUserSettings::readTime(const char* name) const {
  std::vector<BYTE> bytes;
  DWORD type = REG_NONE;
  if (m_key.QueryBytes(name, bytes, type) != ERROR_SUCCESS || type != REG_BINARY || bytes.size() != 8)
    return 0;
  return qwordFromBytes(bytes.data());
}

LONG CTarselUserSettings::writeTime(const char* name, ULONGLONG time) const {
  BYTE bytes[8];
  qwordToBytes(time, bytes);
  return m_key.SetBinary(name, bytes, sizeof bytes);
}

bool CTarselUserSettings::GetUseDeviceNotifications() {
  return m_key.GetBool("UseDeviceNotifications", true);
}

LONG CTarselUserSettings::SetUseDeviceNotifications(bool value) {
  return m_key.SetDWord("UseDeviceNotifications", value ? 1 : 0);
}

bool CTarselUserSettings::GetLeavePictureInCamera() {
  return m_key.GetBool("LeavePictureInCamera", false);
}

LONG CTarselUserSettings::SetLeavePictureInCamera(bool value) {
  return m_key.SetDWord("LeavePictureInCamera", value ? 1 : 0);
}

LONG CTarselUserSettings::GetLcdOrPreview(bool* onlyOne) {
  if (!onlyOne)
    return ERROR_INVALID_PARAMETER;
  DWORD value = 0;
  const LONG error = m_key.QueryDWord(kLcdOrPreview, value);
  if (error == ERROR_SUCCESS)
    *onlyOne = value != 0;
  return error;
}

LONG CTarselUserSettings::SetLcdOrPreview(bool onlyOne) {
  return m_key.SetDWord(kLcdOrPreview, onlyOne ? 1 : 0);
}

LONG CTarselUserSettings::ClearLcdOrPreview() {
  return m_key.DeleteValue(kLcdOrPreview);
}

DWORD CTarselUserSettings::GetBackgroundColor() {
  return m_key.GetDWord("BackgroundColor", 0xE6FFD7);
}

LONG CTarselUserSettings::SetBackgroundColor(DWORD value) {
  return m_key.SetDWord("BackgroundColor", value);
}

DWORD CTarselUserSettings::GetBracketingParam() {
  return m_key.GetDWord("BraketingParam", 1);
}

LONG CTarselUserSettings::SetBracketingParam(DWORD value) {
  return m_key.SetDWord("BraketingParam", value);
}

DWORD CTarselUserSettings::GetBracketingNumPics() {
  return m_key.GetDWord("BraketingNumPics", 0);
}

LONG CTarselUserSettings::SetBracketingNumPics(DWORD value) {
  return m_key.SetDWord("BraketingNumPics", value);
}

bool CTarselUserSettings::GetDoNotDisplayPicture() {
  return m_key.GetBool("DoNotDisplayPicture", false);
}

LONG CTarselUserSettings::SetDoNotDisplayPicture(bool value) {
  return m_key.SetDWord("DoNotDisplayPicture", value ? 1 : 0);
}

DWORD CTarselUserSettings::GetRotation() {
  return m_key.GetDWord("Rotation", 0);
}

LONG CTarselUserSettings::SetRotation(DWORD value) {
  return m_key.SetDWord("Rotation", value);
}

LONG CTarselUserSettings::GetLastMethodOfSaving(char* buffer, DWORD* size) {
  return m_key.GetString("LastMethodOfSaving", buffer, size);
}

LONG CTarselUserSettings::SetLastMethodOfSaving(const char* text) {
  return m_key.SetString("LastMethodOfSaving", text);
}

DWORD CTarselUserSettings::GetNumDigitsInCounter() {
  return m_key.GetDWord("NumDigitsInCounter", 4);
}

LONG CTarselUserSettings::SetNumDigitsInCounter(DWORD value) {
  return m_key.SetDWord("NumDigitsInCounter", value);
}

bool CTarselUserSettings::GetAutoSaveAfterTakingSingle() {
  return m_key.GetBool("AutoSaveAfterTakingSingle", false);
}

LONG CTarselUserSettings::SetAutoSaveAfterTakingSingle(bool value) {
  return m_key.SetDWord("AutoSaveAfterTakingSingle", value ? 1 : 0);
}

bool CTarselUserSettings::GetAutoSaveAfterTaking() {
  return m_key.GetBool("AutoSaveAfterTaking", false);
}

LONG CTarselUserSettings::SetAutoSaveAfterTaking(bool value) {
  return m_key.SetDWord("AutoSaveAfterTaking", value ? 1 : 0);
}

DWORD CTarselUserSettings::GetCamNameUse() {
  return m_key.GetDWord("CamNameUse", 0);
}

LONG CTarselUserSettings::SetCamNameUse(DWORD value) {
  return m_key.SetDWord("CamNameUse", value);
}

LONG CTarselUserSettings::GetFilePrefix(char* buffer, DWORD* size) {
  return m_key.GetString("FilePrefix", buffer, size);
}

LONG CTarselUserSettings::SetFilePrefix(const char* text) {
  return m_key.SetString("FilePrefix", text);
}

DWORD CTarselUserSettings::GetTabNum() {
  return m_key.GetDWord("TabNum", 0);
}

LONG CTarselUserSettings::SetTabNum(DWORD value) {
  return m_key.SetDWord("TabNum", value);
}

LONG CTarselUserSettings::GetCustIntervalsFileName(char* buffer, DWORD* size) {
  return m_key.GetString("CustIntervalsFileName", buffer, size);
}

LONG CTarselUserSettings::SetCustIntervalsFileName(const char* text) {
  return m_key.SetString("CustIntervalsFileName", text);
}

DWORD CTarselUserSettings::GetNumPicsToTake() {
  return m_key.GetDWord("NumPicsToTake", 0);
}

LONG CTarselUserSettings::SetNumPicsToTake(DWORD value) {
  return m_key.SetDWord("NumPicsToTake", value);
}

DWORD CTarselUserSettings::GetTimeInterval() {
  return m_key.GetDWord("TimeInterval", 10);
}

LONG CTarselUserSettings::SetTimeInterval(DWORD value) {
  return m_key.SetDWord("TimeInterval", value);
}

DWORD CTarselUserSettings::GetInitialCounter() {
  return m_key.GetDWord("InitialCounter", 0);
}

LONG CTarselUserSettings::SetInitialCounter(DWORD value) {
  return m_key.SetDWord("InitialCounter", value);
}

bool CTarselUserSettings::GetDoNotIncrementCounter() {
  return m_key.GetBool("DoNotIncrementCounter", false);
}

LONG CTarselUserSettings::SetDoNotIncrementCounter(bool value) {
  return m_key.SetDWord("DoNotIncrementCounter", value ? 1 : 0);
}

bool CTarselUserSettings::GetSaveInitialCounter() {
  return m_key.GetBool("SaveInitialCounter", false);
}

LONG CTarselUserSettings::SetSaveInitialCounter(bool value) {
  return m_key.SetDWord("SaveInitialCounter", value ? 1 : 0);
}

DWORD CTarselUserSettings::GetSaveCounter() {
  return m_key.GetDWord("SaveCounter", 0);
}

LONG CTarselUserSettings::SetSaveCounter(DWORD value) {
  return m_key.SetDWord("SaveCounter", value);
}

ULONGLONG CTarselUserSettings::GetTimeLapseStartTime() {
  return readTime("TimeLapseStartTime");
}

LONG CTarselUserSettings::SetTimeLapseStartTime(ULONGLONG time) {
  return writeTime("TimeLapseStartTime", time);
}

ULONGLONG CTarselUserSettings::GetTimeLapseEndTime() {
  return readTime("TimeLapseEndTime");
}

LONG CTarselUserSettings::SetTimeLapseEndTime(ULONGLONG time) {
  return writeTime("TimeLapseEndTime", time);
}

bool CTarselUserSettings::GetDontShowBatteryStatus() {
  return m_key.GetBool("DontShowBatteryStatus", false);
}

LONG CTarselUserSettings::SetDontShowBatteryStatus(bool value) {
  return m_key.SetDWord("DontShowBatteryStatus", value ? 1 : 0);
}

DWORD CTarselUserSettings::GetDeviceNotificationDelay() {
  return m_key.GetDWord("DeviceNotificationDelay", kDefaultDeviceNotificationDelay);
}

LONG CTarselUserSettings::GetDataFolder(char* buffer, DWORD* size) {
  if (!size)
    return ERROR_INVALID_PARAMETER;
  std::string path;
  try {
    const CCamConfigDir folder;
    path = folder.GetPath();
    if (!IsDirExist(path.c_str()) && !MultiCreateDir(path.c_str())) {
      const DWORD error = GetLastError();
      return error != ERROR_SUCCESS ? static_cast<LONG>(error) : static_cast<LONG>(ERROR_PATH_NOT_FOUND);
    }
    AddTrailingBackslash(path);
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  if (path.size() >= kMaxValueBytes)
    return ERROR_FILENAME_EXCED_RANGE;
  const auto needed = static_cast<DWORD>(path.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memcpy(buffer, path.c_str(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

HRESULT CTarselUserSettings::NotImplemented1(void*, void*) {
  return E_NOTIMPL;
}

HRESULT CTarselUserSettings::NotImplemented2(void*, void*) {
  return E_NOTIMPL;
}

LONG CTarselUserSettings::FreeBuffer(void* block) {
  std::free(block);
  return ERROR_SUCCESS;
}
