// Names the main frame's sources share; private to the frame.
#pragma once

#include "app/core/StringIds.h"
#include "app/ui/ResText.h"
#include "app/ui/UiGuard.h"
#include "app/ui/WaitCursor.h"
#include "hostapi/Win32Types.h"

namespace tarsel::frame::detail {

using namespace tarsel::core::ids;
using tarsel::ui::ResFormat;
using tarsel::ui::ResText;

inline constexpr HRESULT kCancelled = 1223;

} // namespace tarsel::frame::detail
