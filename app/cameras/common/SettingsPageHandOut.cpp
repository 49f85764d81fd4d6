#include "app/cameras/common/SettingsPageHandOut.h"

#include "app/core/ISdkPropertyPage.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <new>

namespace tarsel::cameras {

HRESULT HandOutSettingsPage(ISdkPropertyPage** page,
                            const std::function<ISdkPropertyPage*()>& make) noexcept {
  if (!page)
    return E_POINTER;
  *page = nullptr;
  try {
    ISdkPropertyPage* created = make();
    if (!created)
      return 0;
    created->AddRef();
    *page = created;
    return 0;
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (const std::bad_alloc&) {
    return static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

} // namespace tarsel::cameras
