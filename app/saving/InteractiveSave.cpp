#include "app/saving/InteractiveSave.h"

#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/settings/SettingsAccess.h"
#include "platform/Win32Error.h"

namespace tarsel::saving {

HRESULT SaveWithChosenSaver(CSaveDllList& savers, ITarselSettings* settings, HWND owner, ISaveInfo* info,
                            IPictureFromCamera* const* pictures, std::int32_t count) {
  if (!info || !pictures || count <= 0)
    return static_cast<HRESULT>(ERROR_CANCELLED);
  char name[261] = {};
  std::int32_t digits = 3;
  bool leaveInCamera = false;
  if (const auto user = tarsel::settings::OpenUserSettings(settings, true)) {
    DWORD size = sizeof name - 1;
    // A name that cannot be read counts as none: the default saver.
    if (user->GetLastMethodOfSaving(name, &size) != 0)
      name[0] = '\0';
    digits = static_cast<std::int32_t>(user->GetNumDigitsInCounter());
    leaveInCamera = user->GetLeavePictureInCamera();
  }
  CSaveDllWrapper* saver = savers.FindSaver(settings, name);
  if (!saver)
    return static_cast<HRESULT>(ERROR_CANCELLED);
  info->SetNumDigits(digits);
  info->SetNamingMode(leaveInCamera ? 3 : 0);
  if (count == 1)
    return saver->Save(owner, info, pictures[0], settings, FALSE);
  return saver->SaveBunchUI(owner, info, const_cast<IPictureFromCamera**>(pictures), settings, count);
}

} // namespace tarsel::saving
