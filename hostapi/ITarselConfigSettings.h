// The user's options below HKEY_CURRENT_USER\SOFTWARE\drevant\Tarsel\Options.
// Operations keep this order (the table of virtual functions is shared with
// other modules).
//
// DWORD getters give the stored REG_DWORD, or the option's default when the
// value is missing or of another type or size; bool getters give "stored
// DWORD is not 0" with the same fall-back. Setters store a REG_DWORD (bools
// as 0 or 1) and return the registry's result; a read-only object refuses
// them with 5. String getters follow the settings' string protocol (see
// ISaverSettings.h, GetString); string setters given a null text return
// 0x80004005.
#pragma once

#include "hostapi/RefCounted.h"
#include "hostapi/Win32Types.h"

class ITarselConfigSettings : public CRefCounted {
public:
  virtual bool GetUseDeviceNotifications() = 0;
  virtual LONG SetUseDeviceNotifications(bool on) = 0;
  virtual bool GetLeavePictureInCamera() = 0;
  virtual LONG SetLeavePictureInCamera(bool on) = 0;
  // The registry's error (2) while the choice is not made, 13 when the value
  // is not a DWORD, else 0 and the choice.
  virtual LONG GetLcdOrPreview(bool* onlyOne) = 0;
  virtual LONG SetLcdOrPreview(bool onlyOne) = 0;
  // Forgets the choice, so that it reads as "not decided" again.
  virtual LONG ClearLcdOrPreview() = 0;
  virtual DWORD GetBackgroundColor() = 0;
  virtual LONG SetBackgroundColor(DWORD color) = 0;
  virtual DWORD GetBracketingParam() = 0;
  virtual LONG SetBracketingParam(DWORD param) = 0;
  virtual DWORD GetBracketingNumPics() = 0;
  virtual LONG SetBracketingNumPics(DWORD count) = 0;
  virtual bool GetDoNotDisplayPicture() = 0;
  virtual LONG SetDoNotDisplayPicture(bool on) = 0;
  virtual DWORD GetRotation() = 0;
  virtual LONG SetRotation(DWORD rotation) = 0;
  virtual LONG GetLastMethodOfSaving(char* buffer, DWORD* size) = 0;
  virtual LONG SetLastMethodOfSaving(const char* text) = 0;
  virtual DWORD GetNumDigitsInCounter() = 0;
  virtual LONG SetNumDigitsInCounter(DWORD digits) = 0;
  virtual bool GetAutoSaveAfterTakingSingle() = 0;
  virtual LONG SetAutoSaveAfterTakingSingle(bool on) = 0;
  virtual bool GetAutoSaveAfterTaking() = 0;
  virtual LONG SetAutoSaveAfterTaking(bool on) = 0;
  virtual DWORD GetCamNameUse() = 0;
  virtual LONG SetCamNameUse(DWORD use) = 0;
  virtual LONG GetFilePrefix(char* buffer, DWORD* size) = 0;
  virtual LONG SetFilePrefix(const char* text) = 0;
  virtual DWORD GetTabNum() = 0;
  virtual LONG SetTabNum(DWORD tab) = 0;
  virtual LONG GetCustIntervalsFileName(char* buffer, DWORD* size) = 0;
  virtual LONG SetCustIntervalsFileName(const char* text) = 0;
  virtual DWORD GetNumPicsToTake() = 0;
  virtual LONG SetNumPicsToTake(DWORD count) = 0;
  virtual DWORD GetTimeInterval() = 0;
  virtual LONG SetTimeInterval(DWORD seconds) = 0;
  virtual DWORD GetInitialCounter() = 0;
  virtual LONG SetInitialCounter(DWORD counter) = 0;
  virtual bool GetDoNotIncrementCounter() = 0;
  virtual LONG SetDoNotIncrementCounter(bool on) = 0;
  virtual bool GetSaveInitialCounter() = 0;
  virtual LONG SetSaveInitialCounter(bool on) = 0;
  virtual DWORD GetSaveCounter() = 0;
  virtual LONG SetSaveCounter(DWORD on) = 0;
  // A point in time in 100-ns units since 1601 (a FILETIME), stored as 8
  // little-endian bytes of REG_BINARY; 0 when missing or not 8 binary bytes.
  virtual ULONGLONG GetTimeLapseStartTime() = 0;
  virtual LONG SetTimeLapseStartTime(ULONGLONG time) = 0;
  virtual ULONGLONG GetTimeLapseEndTime() = 0;
  virtual LONG SetTimeLapseEndTime(ULONGLONG time) = 0;
  virtual bool GetDontShowBatteryStatus() = 0;
  virtual LONG SetDontShowBatteryStatus(bool on) = 0;
  virtual DWORD GetDeviceNotificationDelay() = 0;
  // The per-user data folder ("Tarsel" below the user's application-data
  // folder, created when missing) with a trailing separator. A null or too
  // small buffer gives 122 and the size needed (terminator included); success
  // sets the size to the path's length plus one. A failure to find or create
  // the folder returns that failure's code.
  virtual LONG GetDataFolder(char* buffer, DWORD* size) = 0;
  // Both return E_NOTIMPL.
  virtual HRESULT NotImplemented1(void* first, void* second) = 0;
  virtual HRESULT NotImplemented2(void* first, void* second) = 0;
  // Frees a block that the settings allocated for the caller.
  virtual LONG FreeBuffer(void* block) = 0;
};
