// The camera object's live preview: its thread's frames (the camera takes a
// small picture into its memory as picture 0 and hands its bytes over), and
// starting, pausing and stopping the thread.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/vesk/VeskCall.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"

#include <system_error>

using namespace tarsel::vesk;

namespace {

// The preview's calls report no progress.
void IgnoreProgress(int, const VESK_PROGRESS*, void*) {}

} // namespace

HRESULT CVeskDllWr::StartPreview(_ISdkPreviewCallback* callback) {
  try {
    m_preview.Start(callback);
    return 0;
  } catch (const std::system_error& error) {
    return static_cast<HRESULT>(Win32FromErrno(error.code().value()));
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT CVeskDllWr::StopPreview() {
  m_preview.Stop();
  return 0;
}

HRESULT CVeskDllWr::PausePreview(bool pause) {
  m_preview.Pause(pause);
  return 0;
}

void CVeskDllWr::Preview(bool asynchronous) {
  CallThrowing<Export::Preview>(
      this, [&](auto f) { return f(m_cameraNumber, asynchronous, &IgnoreProgress, this); });
}

void CVeskDllWr::GetPreview(std::int32_t size, void* buffer) {
  CallThrowing<Export::GetPreview>(
      this, [&](auto f) { return f(m_cameraNumber, size, buffer, &IgnoreProgress, this); });
}

bool CVeskDllWr::GetPreviewPicture(IPictureFromCamera* picture) {
  if (!picture)
    throw _brantel_take_error(E_POINTER);
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (!BoundExport<Export::Preview>())
    throw _brantel_take_error(kDllFunctionMissing);
  CallConnection connection(this);
  Preview(false);
  SetPropCurrentPicture(0);
  const std::int32_t size = GetPropPicSize();
  if (size <= 0)
    return false;
  std::vector<BYTE> buffer = NewTransferBuffer(size);
  GetPreview(size, buffer.data());
  picture->SetImage(buffer.data(), static_cast<DWORD>(size), GetRawFileExtension(), nullptr);
  return true;
}

bool CVeskDllWr::PreviewFrame(_ISdkPreviewCallback* listener) {
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  // An empty frame still reaches the listener, as an empty picture.
  GetPreviewPicture(picture.get());
  return listener && listener->OnPreviewFrame(picture.get());
}
