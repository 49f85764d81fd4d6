#include "app/ui/UiGuard.h"

#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "platform/Win32Error.h"

#include <QWidget>

namespace tarsel::ui {

void ReportCurrentException(QWidget* window) noexcept {
  const HWND parent = static_cast<HWND>(window);
  try {
    try {
      throw;
    } catch (const _brantel_take_error& error) {
      ReportError(error, parent);
    } catch (...) {
      ReportError(E_UNEXPECTED, parent);
    }
  } catch (...) {
    // The box itself failed: nothing more can be shown.
  }
}

bool Guard(QWidget* window, const std::function<void()>& action, Reporting reporting) noexcept {
  try {
    action();
    return true;
  } catch (...) {
    if (reporting == Reporting::Show)
      ReportCurrentException(window);
  }
  return false;
}

} // namespace tarsel::ui
