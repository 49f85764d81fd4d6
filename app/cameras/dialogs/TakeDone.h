// The end of a take a camera dialog asked of its camera window: the
// window's WM_TARSEL_CAMERA_JOB_DONE notice.
//
// Threads: user-interface thread, from the dialog's event handler.
// Failure: `ended`'s and the take's failures are reported, nothing passes.
#pragma once

#include <functional>

class QEvent;
class QWidget;

namespace tarsel::dialogs {

// False when `event` is no end-of-take notice. Else, when the dialog's take
// was running (`taking`), clears it, runs `ended` and reports a failed take
// over `owner`; true.
bool HandleTakeDone(QEvent* event, QWidget* owner, bool& taking, const std::function<void()>& ended);

} // namespace tarsel::dialogs
