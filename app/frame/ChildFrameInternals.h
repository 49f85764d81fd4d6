// Shared by the sources of the camera window (CChildFrame): the names it
// uses and small helpers. Not for other users.
#pragma once

#include "app/core/StringIds.h"
#include "app/host/CameraStatusCodes.h"
#include "app/ui/ResText.h"
#include "app/ui/WaitCursor.h"
#include "env/BrantelTakeError.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/Win32Types.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace tarsel::frame::detail {

using namespace tarsel::core::ids;
using namespace tarsel::host;
using tarsel::ui::ResFormat;
using tarsel::ui::ResText;
using tarsel::ui::WaitCursor;

inline constexpr HRESULT kFailed = E_FAIL;

// A dialog operation's result: positive values are the dialog's own answers.
inline void ThrowIfDialogFailed(HRESULT code) {
  if (FAILED(code))
    ThrowError(code);
}

// A bitmap extent as the view computes with it: the picture's word, bounded
// so that sums of extents and offsets stay inside int.
inline std::int32_t BoundedExtent(DWORD extent) {
  return static_cast<std::int32_t>(std::min<DWORD>(extent, 1u << 20));
}

inline bool HoldsEncodedData(IPictureFromCamera* picture) {
  const std::shared_ptr<const IPictureFromCamera::Bytes> bytes = picture->GetDataSnapshot();
  return bytes && !bytes->empty();
}

} // namespace tarsel::frame::detail
