// The file saver's settings under the saver key "FILE": read in one go for
// an operation, stored value by value. The key is opened for the length of
// one call and released on every path. Any thread.
#pragma once

#include <string>

class ITarselSettings;
class ISaverSettings;

namespace tarsel::filesaver {

inline constexpr const char* kSaverName = "FILE";
inline constexpr const char* kRootDir = "RootDir";
inline constexpr const char* kDoNotOverwrite = "DoNotOverwrite";
inline constexpr const char* kExternalCommand = "ExternalCommand";
inline constexpr const char* kWaitForProcessing = "WaitForProcessing";
inline constexpr const char* kLastUsedSavePicDir = "LastUsedSavePicDir";

struct FileSaverSettings {
  std::string rootDir; // made absolute
  bool doNotOverwrite = false;
  std::string externalCommand;
  bool waitForProcessing = false;
  std::string lastUsedSavePicDir;

  // Missing values (or a key that cannot be opened) give the defaults.
  static FileSaverSettings Load(ITarselSettings* settings);
};

// Stores one string value; throws the settings' error code.
void StoreString(ITarselSettings* settings, const char* name, const std::string& value);

// A relative path taken relative to the current directory; "" stays "".
std::string AbsolutePath(const std::string& path);

} // namespace tarsel::filesaver
