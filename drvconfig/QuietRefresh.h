// The configuration program's quiet refresh ("/R"): refreshes the cameras
// through the installation library without a window of its own. A failure
// ends it without a word; otherwise it says "Cameras refreshed
// successfully." and, when the access was registered anew and udev could
// not apply it, that the cameras must be connected again. The message boxes
// belong to no window. User-interface thread.
#pragma once

namespace tarsel::drvconfig {

class CVeskInstCalls;

void RunQuietRefresh(CVeskInstCalls& calls);

} // namespace tarsel::drvconfig
