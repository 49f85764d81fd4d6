// The status line a camera reports, as the dialogs show it: the last text
// it hands its call-back during ReportStatus, empty when it hands none.
// Threads: whichever thread may call the camera's ReportStatus.
#pragma once

#include <string>

class ICameraHiLevel;

namespace tarsel::cameras {

std::string CameraStatusLine(ICameraHiLevel& camera);

} // namespace tarsel::cameras
