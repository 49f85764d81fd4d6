// The download-all-pictures dialog of a camera-link camera: the
// family-neutral dialog (CDownloadAllPicturesDlg) over this source, which
// reads, downloads and erases the card's pictures through CVeskDllWr.
// CVeskDllWr::ShowDownloadAllPictures runs it.
//
// Threads: the camera steps run on the camera window's worker (the dialog
// queues them there); each holds the camera's lock for all of its calls, so
// a preview frame cannot select a picture of its own in between.
#pragma once

#include "app/cameras/dialogs/DownloadPicturesSource.h"

class CVeskDllWr;

class CVeskDownloadAllPictures : public tarsel::dialogs::IDownloadPicturesSource {
public:
  explicit CVeskDownloadAllPictures(CVeskDllWr* camera) : m_camera(camera) {}

  std::string CameraName() override;
  ITarselSettings* Settings() override;
  std::int32_t CountPictures() override;
  tarsel::dialogs::StoredPicture Describe(std::int32_t number) override;
  CRefPtr<IPictureFromCamera> Download(std::int32_t number) override;
  void Erase(std::int32_t number, bool unprotect) override;

private:
  CVeskDllWr* m_camera;
};
