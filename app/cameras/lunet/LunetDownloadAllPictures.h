// The download-all-pictures dialog of the ActiveX camera: the
// family-neutral dialog (CDownloadAllPicturesDlg) over this source, which
// reads, downloads and erases the card's pictures through CLunetWr.
// CLunetWr::ShowDownloadAllPictures runs it.
//
// Threads: the camera steps run on the camera window's worker (the dialog
// queues them there); each holds the camera's lock and one connection for
// all of its calls, so a preview frame cannot select a picture of its own
// in between. Failure: the camera's _brantel_take_error; a picture the
// camera reports empty or gives short is an error, never a file.
#pragma once

#include "app/cameras/dialogs/CardPicturesSource.h"

class CLunetWr;
class CLunetPictureSession;

class CLunetDownloadAllPictures
    : public tarsel::dialogs::CCardPicturesSource<CLunetWr, CLunetPictureSession> {
public:
  using CCardPicturesSource::CCardPicturesSource;

  std::int32_t CountPictures() override;
  CRefPtr<IPictureFromCamera> Download(std::int32_t number) override;
};
