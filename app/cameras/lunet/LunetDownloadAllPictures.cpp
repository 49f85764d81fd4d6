#include "app/cameras/lunet/LunetDownloadAllPictures.h"

#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/core/IBaseSDK_Wr.h"
#include "app/host/CameraWindow.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"

#include <QWidget>

#include <memory>

using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;

std::string CLunetDownloadAllPictures::CameraName() {
  return m_camera->GetCameraName();
}

ITarselSettings* CLunetDownloadAllPictures::Settings() {
  IBaseSDK_Wr* sdk = m_camera->GetSdk();
  return sdk ? sdk->GetSettings() : nullptr;
}

std::int32_t CLunetDownloadAllPictures::CountPictures() {
  return m_camera->GetPropPicCount();
}

tarsel::dialogs::StoredPicture CLunetDownloadAllPictures::Describe(std::int32_t number) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  m_camera->SetPropCurrentPicture(number);
  tarsel::dialogs::StoredPicture picture;
  picture.fileName = m_camera->GetPropFileName();
  picture.isProtected = m_camera->GetPropProtect();
  return picture;
}

CRefPtr<IPictureFromCamera> CLunetDownloadAllPictures::Download(std::int32_t number) {
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  // The camera's download throws on a picture reported empty or given short.
  const HRESULT result = m_camera->DownloadPicture(picture.get(), number);
  if (FAILED(result))
    throw _brantel_take_error(result);
  if (!picture->GetData() || picture->GetDataSize() == 0)
    throw _brantel_take_error(CLunetWr::kNoPicture, "The camera gave the picture empty.");
  return picture;
}

void CLunetDownloadAllPictures::Erase(std::int32_t number, bool unprotect) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  m_camera->SetPropCurrentPicture(number);
  if (unprotect)
    m_camera->SetPropProtect(false);
  m_camera->ErasePicture();
}

HRESULT CLunetWr::ShowDownloadAllPictures(HWND parent, _ITarselCallback*) {
  return tarsel::lunet::LunetResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CDownloadAllPicturesDlg(
        std::make_shared<CLunetDownloadAllPictures>(this), ICameraWindow::FromObject(owner), owner));
  });
}
