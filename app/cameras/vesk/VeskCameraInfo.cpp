#include "app/cameras/vesk/VeskCameraInfo.h"

#include "app/cameras/dialogs/CameraInfoDlg.h"
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/host/CameraWindow.h"
#include "app/ui/CameraConnectGuard.h"

#include <QWidget>

#include <memory>

tarsel::dialogs::CameraInfoValues CVeskCameraInfo::ReadInfo() {
  const CCameraConnectGuard connection(m_camera);
  tarsel::dialogs::CameraInfoValues values = tarsel::dialogs::ReadPlainCameraInfo(*m_camera);
  values.firmware = m_camera->GetCameraLabel();
  return values;
}

FILETIME CVeskCameraInfo::ReadClock() {
  FILETIME clock{};
  m_camera->GetPropCameraTime(&clock);
  return clock;
}

void CVeskCameraInfo::Apply(const std::optional<std::string>& cameraId,
                            const std::optional<FILETIME>& clock) {
  const CCameraConnectGuard connection(m_camera);
  if (cameraId)
    m_camera->SetPropCameraID(cameraId->c_str());
  if (clock)
    m_camera->SetPropCameraTime(*clock);
}

HRESULT CVeskDllWr::ShowCameraInfo(HWND parent, _ITarselCallback* callback) {
  return tarsel::vesk::GuardResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CCameraInfoDlg(
        std::make_shared<CVeskCameraInfo>(this), ICameraWindow::FromObject(owner), callback, owner));
  });
}
