// The camera window's commands that others than its menu post to it
// through ICameraWindow::PostCommand, such as a camera's dialogs.
#pragma once

#include "hostapi/Win32Types.h"

namespace tarsel::host::window_cmd {

// Takes a picture with the window's camera.
inline constexpr UINT TakePicture = 32777;

} // namespace tarsel::host::window_cmd
