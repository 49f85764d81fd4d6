// The icons of the program's windows, by resource id: 129 the main frame's,
// 156 the camera windows'. An id without an icon gives a null icon.
// User-interface thread only.
#pragma once

#include "hostapi/Win32Types.h"

#include <QIcon>

namespace tarsel::frame {

inline constexpr UINT kMainFrameIcon = 129;
inline constexpr UINT kCameraWindowIcon = 156;

QIcon WindowIcon(UINT id);

} // namespace tarsel::frame
