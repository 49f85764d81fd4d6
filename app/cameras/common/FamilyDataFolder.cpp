#include "app/cameras/common/FamilyDataFolder.h"

#include "env/BrantelTakeError.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"

#include <cstring>
#include <vector>

namespace tarsel::cameras {

std::string FamilyDataFolder(ITarselSettings* settings) {
  if (!settings)
    throw _brantel_take_error(ERROR_INVALID_PARAMETER);
  ITarselConfigSettings* raw = nullptr;
  const LONG opened = settings->GetUserSettings(&raw, true);
  CRefPtr<ITarselConfigSettings> user;
  user.Attach(raw);
  if (opened != ERROR_SUCCESS || !user.get())
    throw _brantel_take_error(opened != ERROR_SUCCESS ? opened : static_cast<LONG>(ERROR_INVALID_PARAMETER));

  DWORD size = 0;
  LONG error = user->GetDataFolder(nullptr, &size);
  if (error != ERROR_INSUFFICIENT_BUFFER)
    throw _brantel_take_error(error != ERROR_SUCCESS ? error : static_cast<LONG>(ERROR_INVALID_PARAMETER));
  std::vector<char> buffer(size);
  error = user->GetDataFolder(buffer.data(), &size);
  if (error != ERROR_SUCCESS)
    throw _brantel_take_error(error);
  return std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
}

} // namespace tarsel::cameras
