#include "app/cameras/vesk/VeskDownloadAllPictures.h"

#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/core/IBaseSDK_Wr.h"
#include "app/host/CameraWindow.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/ui/CameraConnectGuard.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QWidget>

#include <memory>
#include <mutex>

std::string CVeskDownloadAllPictures::CameraName() {
  return m_camera->GetCameraName();
}

ITarselSettings* CVeskDownloadAllPictures::Settings() {
  IBaseSDK_Wr* sdk = m_camera->GetSdk();
  return sdk ? sdk->GetSettings() : nullptr;
}

std::int32_t CVeskDownloadAllPictures::CountPictures() {
  const CCameraConnectGuard connection(m_camera);
  return m_camera->GetPropPicCount();
}

tarsel::dialogs::StoredPicture CVeskDownloadAllPictures::Describe(std::int32_t number) {
  const std::lock_guard<std::recursive_mutex> guard(m_camera->Mutex());
  const CCameraConnectGuard connection(m_camera);
  m_camera->SetPropCurrentPicture(number);
  tarsel::dialogs::StoredPicture picture;
  picture.fileName = m_camera->GetPropFileName();
  picture.isProtected = m_camera->GetPropProtect();
  return picture;
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

void CVeskDownloadAllPictures::Erase(std::int32_t number, bool unprotect) {
  const std::lock_guard<std::recursive_mutex> guard(m_camera->Mutex());
  const CCameraConnectGuard connection(m_camera);
  m_camera->SetPropCurrentPicture(number);
  if (unprotect)
    m_camera->SetPropProtect(false);
  m_camera->ErasePicture();
}

HRESULT CVeskDllWr::ShowDownloadAllPictures(HWND parent, _ITarselCallback*) {
  return tarsel::vesk::GuardResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CDownloadAllPicturesDlg(
        std::make_shared<CVeskDownloadAllPictures>(this), ICameraWindow::FromObject(owner), owner));
  });
}
