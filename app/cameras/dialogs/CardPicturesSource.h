// The part of a download-all-pictures source that every family with a
// picture cursor shares: the camera's name and settings, and the picture
// steps that select a picture and then read or erase it. `Camera` has
// GetCameraName, GetSdk, SetPropCurrentPicture, GetPropFileName,
// GetPropProtect, SetPropProtect and ErasePicture; `Session` is made from
// the camera and holds its lock and connection for one step, so a preview
// frame cannot select a picture of its own between the selection and the
// read. A family adds CountPictures and Download, which differ.
#pragma once

#include "app/cameras/dialogs/DownloadPicturesSource.h"
#include "app/core/IBaseSDK_Wr.h"

namespace tarsel::dialogs {

template <class Camera, class Session> class CCardPicturesSource : public IDownloadPicturesSource {
public:
  explicit CCardPicturesSource(Camera* camera) : m_camera(camera) {}

  std::string CameraName() override { return m_camera->GetCameraName(); }

  ITarselSettings* Settings() override {
    IBaseSDK_Wr* sdk = m_camera->GetSdk();
    return sdk ? sdk->GetSettings() : nullptr;
  }

  StoredPicture Describe(std::int32_t number) override {
    const Session session(m_camera);
    m_camera->SetPropCurrentPicture(number);
    StoredPicture picture;
    picture.fileName = m_camera->GetPropFileName();
    picture.isProtected = m_camera->GetPropProtect();
    return picture;
  }

  void Erase(std::int32_t number, bool unprotect) override {
    const Session session(m_camera);
    m_camera->SetPropCurrentPicture(number);
    if (unprotect)
      m_camera->SetPropProtect(false);
    m_camera->ErasePicture();
  }

protected:
  Camera* m_camera;
};

} // namespace tarsel::dialogs
