#include "app/cameras/vesk/VeskDownloadAllPictures.h"

#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/host/CameraWindow.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/ui/CameraConnectGuard.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QWidget>

#include <memory>
#include <mutex>

// One picture step: the camera's lock, then its connection.
class CVeskPictureSession {
public:
  explicit CVeskPictureSession(CVeskDllWr* camera) : m_guard(camera->Mutex()), m_connection(camera) {}

private:
  std::lock_guard<std::recursive_mutex> m_guard;
  CCameraConnectGuard m_connection;
};

std::int32_t CVeskDownloadAllPictures::CountPictures() {
  const CCameraConnectGuard connection(m_camera);
  return m_camera->GetPropPicCount();
}

CRefPtr<IPictureFromCamera> CVeskDownloadAllPictures::Download(std::int32_t number) {
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  const CCameraConnectGuard connection(m_camera);
  const HRESULT result = m_camera->DownloadPicture(picture.get(), number);
  if (FAILED(result))
    ThrowError(result);
  // An empty picture (1) is no copy of it.
  if (result != 0)
    ThrowError(static_cast<HRESULT>(ERROR_INVALID_DATA));
  return picture;
}

HRESULT CVeskDllWr::ShowDownloadAllPictures(HWND parent, _ITarselCallback*) {
  return tarsel::vesk::GuardResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CDownloadAllPicturesDlg(
        std::make_shared<CVeskDownloadAllPictures>(this), ICameraWindow::FromObject(owner), owner));
  });
}
