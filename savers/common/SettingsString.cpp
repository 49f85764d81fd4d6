#include "savers/common/SettingsString.h"

#include "hostapi/ISaverSettings.h"
#include "platform/Win32Error.h"

#include <vector>

namespace tarsel::savers {

std::string ReadString(ISaverSettings& key, const char* name) {
  DWORD size = 0;
  const LONG probe = key.GetString(name, nullptr, &size);
  if ((probe != 0 && probe != ERROR_INSUFFICIENT_BUFFER) || size == 0)
    return {};
  std::vector<char> buffer(size + 1, '\0');
  DWORD length = size;
  if (key.GetString(name, buffer.data(), &length) != 0)
    return {};
  return buffer.data();
}

} // namespace tarsel::savers
