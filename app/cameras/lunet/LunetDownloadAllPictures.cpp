#include "app/cameras/lunet/LunetDownloadAllPictures.h"

#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"
#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/host/CameraWindow.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"

#include <QWidget>

#include <memory>

using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;

// One picture step: the camera's lock, then one connection.
class CLunetPictureSession {
public:
  explicit CLunetPictureSession(CLunetWr* camera) : m_lock(camera), m_connection(camera) {}

private:
  CLunetLock m_lock;
  CLunetConnection m_connection;
};

std::int32_t CLunetDownloadAllPictures::CountPictures() {
  return m_camera->GetPropPicCount();
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

HRESULT CLunetWr::ShowDownloadAllPictures(HWND parent, _ITarselCallback*) {
  return tarsel::lunet::LunetResult([&] {
    auto* owner = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(new tarsel::dialogs::CDownloadAllPicturesDlg(
        std::make_shared<CLunetDownloadAllPictures>(this), ICameraWindow::FromObject(owner), owner));
  });
}
