// Helpers the main frame's sources share; private to the frame.
#pragma once

#include "hostapi/RefPtr.h"
#include "app/core/ResString.h"
#include "hostapi/Win32Types.h"

#include <QApplication>
#include <QCursor>
#include <QString>

namespace tarsel::frame::detail {

inline constexpr UINT kReady = 57345;
inline constexpr UINT kCheckingCameras = 61227;
inline constexpr UINT kTakingPictures = 61233;
inline constexpr UINT kErrorStatus = 61225;
inline constexpr UINT kNoCamera = 61230;
inline constexpr UINT kCamerasPane = 61265;
inline constexpr HRESULT kCancelled = 1223;

inline QString resText(UINT id) {
  return QString::fromUtf8(CResString(id).c_str());
}

// The busy cursor of a long frame operation, restored on every path.
class BusyCursor {
public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace tarsel::frame::detail
