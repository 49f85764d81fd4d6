#include "app/cameras/dialogs/CapturePropertiesHolder.h"

#include "app/cameras/common/ResultGuard.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <new>

namespace tarsel::dialogs {

using tarsel::cameras::GuardResult;

HRESULT CCapturePropertiesHolder::Show(bool show, QWidget* parent, const SourceMaker& makeSource,
                                       const SettingsGetter& settings) noexcept {
  return GuardResult([&] {
    if (!show) {
      if (m_dialog)
        m_dialog->hide();
      return;
    }
    if (!m_dialog) {
      try {
        m_dialog = new CCapturePropertiesDialog(makeSource(), parent, settings());
      } catch (const std::bad_alloc&) {
        ThrowError(static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY));
      }
    }
    m_dialog->ShowAtStoredPlace();
  });
}

HRESULT CCapturePropertiesHolder::Enable(bool enable) noexcept {
  return GuardResult([&] {
    if (m_dialog)
      m_dialog->Enable(enable);
  });
}

HRESULT CCapturePropertiesHolder::Notify(std::int32_t event) noexcept {
  return GuardResult([&] {
    if (!m_dialog)
      return;
    if (event == 0)
      m_dialog->Refill();
    else if (event == 1)
      m_dialog->RefillZoom();
    else if (event == 2)
      m_dialog->Reset();
  });
}

HRESULT CCapturePropertiesHolder::Close(const ZoomGiver& giveBack) noexcept {
  return GuardResult([&] {
    CCapturePropertiesDialog* dialog = m_dialog.data();
    if (!dialog)
      return;
    m_dialog = nullptr;
    const std::optional<std::int32_t> digitalZoom = dialog->SavedDigitalZoom();
    delete dialog;
    if (digitalZoom)
      GuardResult([&] { giveBack(*digitalZoom); });
  });
}

} // namespace tarsel::dialogs
