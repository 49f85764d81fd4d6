#include "app/cameras/dialogs/TakeDone.h"

#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"
#include "app/ui/UiGuard.h"
#include "env/ErrorReport.h"

#include <QEvent>
#include <QWidget>

#include <utility>

namespace tarsel::dialogs {

bool HandleTakeDone(QEvent* event, QWidget* owner, bool& taking, const std::function<void()>& ended) {
  if (event->type() != WM_TARSEL_CAMERA_JOB_DONE)
    return false;
  const HRESULT code = static_cast<tarsel::host::CameraJobDoneEvent*>(event)->code();
  tarsel::ui::Guard(owner, [&] {
    if (!std::exchange(taking, false))
      return;
    ended();
    if (code != 0)
      ReportError(code, owner);
  });
  return true;
}

} // namespace tarsel::dialogs
