// Stored window placements (app/settings/WindowPlacement.h) read from and
// applied to top-level windows. GUI thread only.
#pragma once

#include "app/settings/WindowPlacement.h"
#include "hostapi/Win32Types.h"

class QWidget;

// Applies a stored placement to `window` and returns true; returns false and
// leaves the window as it is when the bytes are not a placement record or
// when the rectangle lies on no screen's work area (a monitor that is gone).
// The size comes from the window itself when `useCurrentSize` is set, else
// from the record. The position is then moved so that at least a title
// bar's height of the window stays inside the work area of the screen it
// overlaps most, and the top edge is not above that work area.
bool RestoreWindowPlacement(QWidget* window, const BYTE* placement, DWORD size, bool useCurrentSize);

// The placement of `window` as it would be stored: its normal (not
// maximised) rectangle and whether it is maximised.
tarsel::settings::WindowPlacement GetWindowPlacement(const QWidget* window);
