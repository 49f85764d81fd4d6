// Naming and placement of one save request: what a saver plug-in learns
// about the picture's name and folder, and where it reports back what it
// did. The program makes and deletes the object; a plug-in only calls it
// during SavSave, SavSaveBunchUI and SavProcessError.
//
// Texts are zero-terminated; a returned text stays valid until the object is
// changed or deleted. The operations keep this order (plug-ins call them
// through the table of virtual functions).
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>

class ISaveInfo {
public:
  virtual ~ISaveInfo() = default;

  // The camera the picture comes from.
  virtual const char* GetCameraId() = 0;
  // Prefix of numbered file names.
  virtual const char* GetFilePrefix() = 0;
  virtual void SetFilePrefix(const char* prefix) = 0;
  // A third text, empty unless a plug-in set it (the name the user chose);
  // a series job answers null and ignores the setter.
  virtual const char* GetAuxText() = 0;
  virtual void SetAuxText(const char* text) = 0;
  // When not empty, the folder to save into instead of the plug-in's own.
  virtual const char* GetTargetFolder() = 0;
  // The folder the plug-in used.
  virtual void SetTargetFolder(const char* folder) = 0;
  // Number of the next picture.
  virtual std::uint32_t GetCounter() = 0;
  // 0xFFFFFFFF increases the current number by one.
  virtual void SetCounter(std::uint32_t counter) = 0;
  // Sub-folder for the picture, written into buffer (at most size bytes,
  // terminated); empty means none. Returns buffer.
  virtual char* GetSubFolder(char* buffer, std::int32_t size) = 0;
  // A complete file name for a direct save; empty means the plug-in builds
  // it from prefix, counter and digit count. Returns buffer.
  virtual char* GetFileName(char* buffer, std::int32_t size) = 0;
  virtual void SetNumDigits(std::int32_t digits) = 0;
  virtual std::int32_t GetNumDigits() = 0;
  virtual void SetNamingMode(std::int32_t mode) = 0;
  // 2: keep the camera's own file name; 1 (series job): the camera as sub-folder.
  virtual std::int32_t GetNamingMode() = 0;
  // The one-shot permission to overwrite an existing file; cleared by the call.
  virtual bool TakeOverwriteOnce() = 0;
  // Grants that permission for the next attempt.
  virtual void SetOverwriteOnce() = 0;
  // Whether the plug-in may show dialogs and ask questions.
  virtual bool GetUiAllowed() = 0;
  virtual void SetUiAllowed(bool allowed) = 0;
};
