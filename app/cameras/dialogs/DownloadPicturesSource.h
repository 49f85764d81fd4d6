// What the download-all-pictures dialog asks of its camera: one family's
// camera behind the family-neutral dialog (CDownloadAllPicturesDlg).
// Pictures are numbered from 1 in the camera's order; erasing one renumbers
// those after it.
//
// Threads: the members marked "worker" run on the camera window's worker
// (the dialog queues them there), the others on the user-interface thread.
// Failure: thrown as _brantel_take_error.
#pragma once

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"

#include <cstdint>
#include <string>

class ITarselSettings;

namespace tarsel::dialogs {

struct StoredPicture {
  // The file name the camera gives the picture (not yet checked).
  std::string fileName;
  bool isProtected = false;
};

class IDownloadPicturesSource {
public:
  virtual ~IDownloadPicturesSource() = default;

  virtual std::string CameraName() = 0;
  // The program's settings (the last download folder); may be null.
  virtual ITarselSettings* Settings() = 0;
  // Worker: the number of stored pictures.
  virtual std::int32_t CountPictures() = 0;
  // Worker: the picture's file name and protection.
  virtual StoredPicture Describe(std::int32_t number) = 0;
  // Worker: the picture, downloaded whole, with its file bytes; a picture
  // that did not arrive whole is thrown as an error.
  virtual CRefPtr<IPictureFromCamera> Download(std::int32_t number) = 0;
  // Worker: erases the picture, taking its protection off first when asked.
  virtual void Erase(std::int32_t number, bool unprotect) = 0;
};

} // namespace tarsel::dialogs
