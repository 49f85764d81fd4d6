#include "app/ui/CameraConnectGuard.h"

#include "app/core/ICameraHiLevel.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"

#include <cstdio>

CCameraConnectGuard::CCameraConnectGuard(ICameraHiLevel* camera) : m_camera(camera) {
  if (m_camera)
    m_camera->Connect();
}

CCameraConnectGuard::~CCameraConnectGuard() {
  if (!m_camera)
    return;
  try {
    m_camera->DisConnect();
  } catch (const _brantel_take_error& error) {
    char text[400];
    std::snprintf(text, sizeof text, "Disconnecting the camera failed: %s (0x%X)", error.ErrorMessage(),
                  static_cast<unsigned>(error.Error()));
    WriteErrorInfo(text);
  } catch (...) {
    WriteErrorInfo("Disconnecting the camera failed.");
  }
}
