// Running a piece of user interface from the program's save thread: a saver
// asks the user after a failed queued save on the user-interface thread
// while the save thread waits for the answer.
#pragma once

#include "hostapi/Win32Types.h"

#include <functional>

class QWidget;

namespace tarsel::savers {

// The widget a window handle of the program stands for.
inline QWidget* WidgetOf(HWND window) {
  return static_cast<QWidget*>(window);
}

// Runs `action` on the application's thread and returns when it has run:
// at once when called there, else through the event loop. False (nothing
// run) when there is no application to ask through.
bool RunOnUserInterfaceThread(const std::function<void()>& action);

} // namespace tarsel::savers
