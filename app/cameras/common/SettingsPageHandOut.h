// The hand-over of a family's settings page: *page is cleared, then set to
// the page `make` creates, with one reference for the caller; `make` gives
// null when the family has no page to offer. Returns 0, 0x80004003 without
// `page`, the code of an _brantel_take_error, 8 when memory runs out, and
// 0x8000FFFF for anything else.
//
// Threads: the user-interface thread (the page is a widget).
#pragma once

#include "hostapi/Win32Types.h"

#include <functional>

class ISdkPropertyPage;

namespace tarsel::cameras {

HRESULT HandOutSettingsPage(ISdkPropertyPage** page, const std::function<ISdkPropertyPage*()>& make) noexcept;

} // namespace tarsel::cameras
