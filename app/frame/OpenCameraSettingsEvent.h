// WM_TARSEL_OPEN_CAMERA_SETTINGS: a camera family's dialog or page asks its
// camera window to open the camera-settings sheet at a page. Posted on the
// user-interface thread to the camera window.
#pragma once

#include "app/host/TarselEvents.h"

#include <cstdint>

namespace tarsel::frame {

class OpenCameraSettingsEvent : public QEvent {
public:
  explicit OpenCameraSettingsEvent(std::int32_t firstPage)
      : QEvent(WM_TARSEL_OPEN_CAMERA_SETTINGS), m_firstPage(firstPage) {}

  std::int32_t firstPage() const { return m_firstPage; }

private:
  std::int32_t m_firstPage;
};

} // namespace tarsel::frame
