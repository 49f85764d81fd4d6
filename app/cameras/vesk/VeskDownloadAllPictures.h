// The download-all-pictures dialog of a camera-link camera: the
// family-neutral dialog (CDownloadAllPicturesDlg) over this source, which
// reads, downloads and erases the card's pictures through CVeskDllWr.
// CVeskDllWr::ShowDownloadAllPictures runs it.
//
// Threads: the camera steps run on the camera window's worker (the dialog
// queues them there); each holds the camera's lock for all of its calls, so
// a preview frame cannot select a picture of its own in between.
#pragma once

#include "app/cameras/dialogs/CardPicturesSource.h"

class CVeskDllWr;
class CVeskPictureSession;

class CVeskDownloadAllPictures
    : public tarsel::dialogs::CCardPicturesSource<CVeskDllWr, CVeskPictureSession> {
public:
  using CCardPicturesSource::CCardPicturesSource;

  std::int32_t CountPictures() override;
  CRefPtr<IPictureFromCamera> Download(std::int32_t number) override;
};
