// The save information a camera window keeps for the saves the user starts
// in it: the camera's name, the prefix, counter, digit count and folder a
// saver plug-in stored last (so consecutive saves from one window continue
// the numbering), the naming mode and the one-shot overwrite permission.
//
// Threads: user-interface thread only (plug-in calls made from the camera
// window).
#pragma once

#include "hostapi/ISaveInfo.h"

#include <cstdint>
#include <string>

class CSaveInfoFile : public ISaveInfo {
public:
  // The camera's name is both the camera id and the first prefix.
  CSaveInfoFile(const char* cameraName, std::int32_t numDigits);

  const char* GetCameraId() override { return m_cameraId.c_str(); }
  const char* GetFilePrefix() override { return m_filePrefix.c_str(); }
  void SetFilePrefix(const char* prefix) override;
  const char* GetAuxText() override { return m_auxText.c_str(); }
  void SetAuxText(const char* text) override;
  const char* GetTargetFolder() override { return m_targetFolder.c_str(); }
  void SetTargetFolder(const char* folder) override;
  std::uint32_t GetCounter() override { return m_counter; }
  void SetCounter(std::uint32_t counter) override;
  // Both write the empty text: a camera window proposes neither.
  char* GetSubFolder(char* buffer, std::int32_t size) override;
  char* GetFileName(char* buffer, std::int32_t size) override;
  void SetNumDigits(std::int32_t digits) override { m_numDigits = digits; }
  std::int32_t GetNumDigits() override { return m_numDigits; }
  void SetNamingMode(std::int32_t mode) override { m_namingMode = mode; }
  std::int32_t GetNamingMode() override { return m_namingMode; }
  bool TakeOverwriteOnce() override;
  void SetOverwriteOnce() override { m_overwriteOnce = true; }
  bool GetUiAllowed() override { return m_uiAllowed; }
  void SetUiAllowed(bool allowed) override { m_uiAllowed = allowed; }

private:
  std::string m_cameraId;
  std::string m_filePrefix;
  std::string m_auxText;
  std::string m_targetFolder;
  std::uint32_t m_counter = 0;
  std::int32_t m_numDigits;
  bool m_overwriteOnce = false;
  std::int32_t m_namingMode = 0;
  bool m_uiAllowed = true;
};
