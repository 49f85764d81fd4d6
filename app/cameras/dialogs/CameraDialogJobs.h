// How a camera dialog talks to its camera without blocking the
// user-interface thread: Run queues the dialog's camera work on the camera
// window's worker (ICameraWindow::QueueCameraCall), in turn with the
// window's own jobs, and hands its outcome back to the user-interface thread,
// where `done` runs with 0 or the code of what the work threw. Outcomes that arrive after the jobs object
// (the dialog) has gone are dropped; so is work still queued then, which then runs with nothing to report to.
//
// Threads: made, used and destroyed on the user-interface thread; the work
// runs on the worker and must touch only what it holds by shared ownership.
// `done` runs under the user-interface guard (its failures are reported).
#pragma once

#include "hostapi/Win32Types.h"

#include <QObject>

#include <functional>

class ICameraWindow;
class QWidget;

namespace tarsel::dialogs {

class CCameraDialogJobs : public QObject {
public:
  // `owner` is the dialog: its child, and the parent of error boxes.
  CCameraDialogJobs(ICameraWindow* window, QWidget* owner);

  // False (nothing queued, `done` never runs) when the window takes no call now.
  bool Run(std::function<void()> work, std::function<void(HRESULT)> done);

private:
  ICameraWindow* m_window;
  QWidget* m_owner;
};

} // namespace tarsel::dialogs
