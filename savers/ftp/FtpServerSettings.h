// The settings of one FTP server: the sub-key named after the server below
// the saver's key "FTP". The password is kept sealed by the system's data
// protection (binary "Password"); a plain string "Password" of an older
// store is still read. Holds its key for the length of one operation.
// Any thread; one object per thread.
#pragma once

#include "hostapi/ISaverSettings.h"
#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <string>

namespace tarsel::ftpsaver {

class CFtpServerSettings {
public:
  explicit CFtpServerSettings(CRefPtr<ISaverSettings> key);

  std::string GetRootDir();
  std::string GetUserName();
  bool GetSavePassword();
  // The password into buffer (size bytes in, on 122 the size it needs out).
  // 0 with the text (empty when a sealed value cannot be opened), 122 when
  // the text does not fit, or the result of reading a plain value. The
  // plaintext is wiped from every other place on every path.
  LONG GetPassword(char* buffer, DWORD* size);

  // Each throws the settings' error code.
  void SetRootDir(const std::string& rootDir);
  void SetUserName(const std::string& userName);
  // save: seal the password and store it (deleted when it cannot be
  // sealed); otherwise delete it. "SavePassword" is written either way.
  void StorePassword(const char* password, bool save);

private:
  CRefPtr<ISaverSettings> m_key;
};

} // namespace tarsel::ftpsaver
