#include "app/cameras/lunet/LunetWr.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"

#include <system_error>

HRESULT CLunetWr::StartPreview(_ISdkPreviewCallback* callback) {
  try {
    m_preview.Start(callback);
    return 0;
  } catch (const std::system_error&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT CLunetWr::StopPreview() {
  try {
    m_preview.Stop();
    return 0;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT CLunetWr::PausePreview(bool pause) {
  try {
    m_preview.Pause(pause);
    return 0;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

bool CLunetWr::PreviewFrame(_ISdkPreviewCallback* listener) {
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  // An empty frame still reaches the listener, as an empty picture.
  GetPreviewPicture(picture.get());
  return listener && listener->OnPreviewFrame(picture.get());
}
