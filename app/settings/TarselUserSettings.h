// The user's options on HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options
// (ITarselConfigSettings.h), each value with its name, type and default. The
// key is opened by the constructor; a key that cannot be opened or created
// makes every getter give its default and every setter fail with that error.
// One thread at a time.
#pragma once

#include "app/settings/RegistryKey.h"
#include "hostapi/ITarselConfigSettings.h"

class CTarselUserSettings : public ITarselConfigSettings {
public:
  explicit CTarselUserSettings(REGSAM access);

  bool GetUseDeviceNotifications() override;
  LONG SetUseDeviceNotifications(bool value) override;
  bool GetLeavePictureInCamera() override;
  LONG SetLeavePictureInCamera(bool value) override;
  LONG GetLcdOrPreview(bool* onlyOne) override;
  LONG SetLcdOrPreview(bool onlyOne) override;
  LONG ClearLcdOrPreview() override;
  DWORD GetBackgroundColor() override;
  LONG SetBackgroundColor(DWORD value) override;
  DWORD GetBracketingParam() override;
  LONG SetBracketingParam(DWORD value) override;
  DWORD GetBracketingNumPics() override;
  LONG SetBracketingNumPics(DWORD value) override;
  bool GetDoNotDisplayPicture() override;
  LONG SetDoNotDisplayPicture(bool value) override;
  DWORD GetRotation() override;
  LONG SetRotation(DWORD value) override;
  LONG GetLastMethodOfSaving(char* buffer, DWORD* size) override;
  LONG SetLastMethodOfSaving(const char* text) override;
  DWORD GetNumDigitsInCounter() override;
  LONG SetNumDigitsInCounter(DWORD value) override;
  bool GetAutoSaveAfterTakingSingle() override;
  LONG SetAutoSaveAfterTakingSingle(bool value) override;
  bool GetAutoSaveAfterTaking() override;
  LONG SetAutoSaveAfterTaking(bool value) override;
  DWORD GetCamNameUse() override;
  LONG SetCamNameUse(DWORD value) override;
  LONG GetFilePrefix(char* buffer, DWORD* size) override;
  LONG SetFilePrefix(const char* text) override;
  DWORD GetTabNum() override;
  LONG SetTabNum(DWORD value) override;
  LONG GetCustIntervalsFileName(char* buffer, DWORD* size) override;
  LONG SetCustIntervalsFileName(const char* text) override;
  DWORD GetNumPicsToTake() override;
  LONG SetNumPicsToTake(DWORD value) override;
  DWORD GetTimeInterval() override;
  LONG SetTimeInterval(DWORD value) override;
  DWORD GetInitialCounter() override;
  LONG SetInitialCounter(DWORD value) override;
  bool GetDoNotIncrementCounter() override;
  LONG SetDoNotIncrementCounter(bool value) override;
  bool GetSaveInitialCounter() override;
  LONG SetSaveInitialCounter(bool value) override;
  DWORD GetSaveCounter() override;
  LONG SetSaveCounter(DWORD value) override;
  ULONGLONG GetTimeLapseStartTime() override;
  LONG SetTimeLapseStartTime(ULONGLONG time) override;
  ULONGLONG GetTimeLapseEndTime() override;
  LONG SetTimeLapseEndTime(ULONGLONG time) override;
  bool GetDontShowBatteryStatus() override;
  LONG SetDontShowBatteryStatus(bool value) override;
  DWORD GetDeviceNotificationDelay() override;
  LONG GetDataFolder(char* buffer, DWORD* size) override;
  HRESULT NotImplemented1(void* first, void* second) override;
  HRESULT NotImplemented2(void* first, void* second) override;
  LONG FreeBuffer(void* block) override;

private:
  ULONGLONG readTime(const char* name) const;
  LONG writeTime(const char* name, ULONGLONG time) const;

  tarsel::settings::CRegistryKey m_key;
};
