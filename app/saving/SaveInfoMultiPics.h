// One job of the save queue: a picture to be saved without asking the user,
// the naming data a saver plug-in reads and writes through ISaveInfo, and the
// saver chosen for it.
//
// Names: the first part of a numbered file name is the camera identifier, or,
// when the user chose the camera as folder name ("CamNameUse" 1), the
// "FilePrefix" option (the identifier when that option is missing) with the
// identifier as sub-folder. The counter is printed unsigned with the number
// of digits (bounded to 0..10; 0 gives no counter), then the picture's
// extension. Camera names come from the device: a sub-folder or file name
// never holds "/" or a control character and is never "." or "..".
//
// Threads: made on the user-interface thread, then used by one thread at a
// time (the save thread and the saver it calls once queued). It holds a
// reference to the picture, so closing the camera window does not end it.
#pragma once

#include "app/saving/SaveOutcomeNotice.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/RefPtr.h"

#include <cstdint>
#include <string>
#include <string_view>

class CSaveDllWrapper;
class ITarselSettings;

namespace tarsel::saving {

// The largest digit count: an unsigned 32-bit counter has at most 10 digits.
inline constexpr std::int32_t kMaxCounterDigits = 10;

// The digit count as names use it: negative values give 0, large ones 10.
std::int32_t BoundedDigits(std::int64_t digits);

} // namespace tarsel::saving

class CSaveInfoMultiPics : public ISaveInfo {
public:
  // Reads "NumDigitsInCounter", "CamNameUse" and "FilePrefix" through a
  // read-only user settings object of `settings` (defaults when settings is
  // null or a value is missing). `saver` is not owned and may be null.
  CSaveInfoMultiPics(const char* cameraId, std::uint32_t counter, IPictureFromCamera* picture,
                     CSaveDllWrapper* saver, ITarselSettings* settings);
  ~CSaveInfoMultiPics() override;
  CSaveInfoMultiPics(const CSaveInfoMultiPics&) = delete;
  CSaveInfoMultiPics& operator=(const CSaveInfoMultiPics&) = delete;

  IPictureFromCamera* GetPicture() const { return m_picture.get(); }
  CSaveDllWrapper* GetSaver() const { return m_saver; }
  // Tells the window that queued the picture how the save ended ("dropped"
  // when the job is deleted unsaved).
  tarsel::saving::SaveOutcomeNotice& Notice() { return m_notice; }

  const char* GetCameraId() override;
  const char* GetFilePrefix() override;
  void SetFilePrefix(const char* prefix) override;
  // This job has no third text.
  const char* GetAuxText() override;
  void SetAuxText(const char* text) override;
  const char* GetTargetFolder() override;
  // Stores the text without its enclosing double quotes, environment
  // variables (%NAME%) expanded.
  void SetTargetFolder(const char* folder) override;
  std::uint32_t GetCounter() override;
  void SetCounter(std::uint32_t counter) override;
  // The camera identifier when it is used as folder name, else empty.
  char* GetSubFolder(char* buffer, std::int32_t size) override;
  // The numbered file name; cut to the buffer, always terminated.
  char* GetFileName(char* buffer, std::int32_t size) override;
  void SetNumDigits(std::int32_t digits) override;
  std::int32_t GetNumDigits() override;
  void SetNamingMode(std::int32_t mode) override;
  std::int32_t GetNamingMode() override;
  bool TakeOverwriteOnce() override;
  void SetOverwriteOnce() override;
  bool GetUiAllowed() override;
  void SetUiAllowed(bool allowed) override;

  // The numbered file name (not cut).
  std::string MakeCounterFileName();

private:
  std::string m_cameraId;
  std::string m_filePrefix;
  std::uint32_t m_counter = 0;
  std::string m_targetFolder;
  CRefPtr<IPictureFromCamera> m_picture;
  CSaveDllWrapper* m_saver = nullptr;
  std::int32_t m_numDigits = 4;
  bool m_overwriteOnce = false;
  std::int32_t m_namingMode = 0;
  std::uint32_t m_camNameUse = 0;
  bool m_uiAllowed = false;
  tarsel::saving::SaveOutcomeNotice m_notice;
};
