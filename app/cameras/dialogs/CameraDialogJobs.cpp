#include "app/cameras/dialogs/CameraDialogJobs.h"

#include "app/host/CameraWindow.h"
#include "app/ui/UiGuard.h"

#include <QWidget>

namespace tarsel::dialogs {

CCameraDialogJobs::CCameraDialogJobs(ICameraWindow* window, QWidget* owner)
    : QObject(owner), m_window(window), m_owner(owner) {}

bool CCameraDialogJobs::Run(std::function<void()> work, std::function<void(HRESULT)> done) {
  if (!m_window)
    return false;
  // The reply comes only while this object lives: it is the call's receiver.
  return m_window->QueueCameraCall(std::move(work), this, [this, done = std::move(done)](HRESULT code) {
    tarsel::ui::Guard(m_owner, [&] {
      if (done)
        done(code);
    });
  });
}

} // namespace tarsel::dialogs
