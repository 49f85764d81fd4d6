// The camera monitor and the live view, both through the SDK's viewfinder:
// output 1 shows live view on the camera's monitor (and hands frames to the
// computer), output 3 to the computer only. Frames reach the preview sink
// from the SDK's frame thread while the preview-active flag is set; the
// number of frames being handed over is counted, so StopPreview can wait
// for the last one.
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonError.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/core/ISdkPreviewCallback.h"
#include "app/pictures/PictureFromCamera.h"
#include "hostapi/RefPtr.h"

using tarsel::canon::CallChecked;
using tarsel::canon::CameraCallLock;
using tarsel::canon::GuardResult;
using tarsel::canon::kCanonUnexpected;
namespace cd = tarsel::cdsdk;

void CanonCD_Wr::StartViewfinder(std::uint32_t output) {
  const std::uint32_t source = OpenSourceHandle();
  CallChecked<cd::kEntryViewfinderOutput>(source, output);
  CallChecked<cd::kEntryViewfinderStart>(source, 0u, &CanonCD_Wr::OnViewfinderFrame,
                                         static_cast<void*>(this));
  m_viewfinderRunning = true;
}

void CanonCD_Wr::StopViewfinder() {
  if (!m_viewfinderRunning || !HasOpenSource())
    return;
  // The stop entry joins the SDK's frame thread.
  CallChecked<cd::kEntryViewfinderStop>(OpenSourceHandle(), 0u);
  m_viewfinderRunning = false;
}

HRESULT CanonCD_Wr::LcdOn(std::int32_t) {
  return GuardResult(
      [&] {
        const CameraCallLock lock(m_lock);
        if ((m_deviceFlags & cd::kFlagLiveViewfinder) == 0)
          return;
        StartViewfinder(cd::kViewfinderOutputMonitorOn);
        m_monitorOn = true;
      },
      kCanonUnexpected);
}

HRESULT CanonCD_Wr::LcdOff() {
  return GuardResult(
      [&] {
        const CameraCallLock lock(m_lock);
        if ((m_deviceFlags & cd::kFlagLiveViewfinder) == 0)
          return;
        if (m_previewActive.load() == 0)
          StopViewfinder();
        else
          StartViewfinder(cd::kViewfinderOutputMonitorOff); // live view to the computer only
        m_monitorOn = false;
      },
      kCanonUnexpected);
}

HRESULT CanonCD_Wr::StartPreview(_ISdkPreviewCallback* callback) {
  return GuardResult([&] {
    const CameraCallLock lock(m_lock);
    if ((m_deviceFlags & cd::kFlagLiveViewfinder) == 0)
      return;
    m_previewSink = callback;
    m_previewActive = 1;
    try {
      StartViewfinder(m_monitorOn.load() ? cd::kViewfinderOutputMonitorOn : cd::kViewfinderOutputMonitorOff);
    } catch (...) {
      m_previewActive = 0;
      throw;
    }
  });
}

HRESULT CanonCD_Wr::StopPreview() {
  const HRESULT result = GuardResult([&] {
    const CameraCallLock lock(m_lock);
    if ((m_deviceFlags & cd::kFlagLiveViewfinder) == 0)
      return;
    m_previewActive = 0;
    if (!m_monitorOn.load())
      StopViewfinder();
    else
      StartViewfinder(cd::kViewfinderOutputMonitorOn); // the monitor keeps showing live view
  });
  // Outside any SDK call: a frame that saw the flag set may still be on
  // its way to the sink, which the caller may destroy once this returns.
  WaitForFramesInFlight();
  return result;
}

void CanonCD_Wr::WaitForFramesInFlight() {
  for (std::int32_t inFlight = m_framesInFlight.load(); inFlight != 0; inFlight = m_framesInFlight.load())
    m_framesInFlight.wait(inFlight);
}

void CanonCD_Wr::DeliverFrame(const void* frame, std::uint32_t size) {
  // Counted before the flag is read: StopPreview clears the flag, then
  // waits for the count, so either it sees this frame or this frame sees
  // the cleared flag.
  m_framesInFlight.fetch_add(1);
  struct Done {
    std::atomic<std::int32_t>& count;
    ~Done() {
      count.fetch_sub(1);
      count.notify_all();
    }
  } done{m_framesInFlight};
  _ISdkPreviewCallback* sink = m_previewSink.load();
  if (m_previewActive.load() != 1 || !sink)
    return;
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  picture->SetImage(frame, size, kRawExtension, nullptr);
  if (!sink->OnPreviewFrame(picture.get()))
    m_previewActive.exchange(0); // no further frames; the viewfinder keeps running
}

std::uint32_t CanonCD_Wr::OnViewfinderFrame(const void* frame, std::uint32_t size, std::uint32_t,
                                            void* context) {
  try {
    if (auto* camera = static_cast<CanonCD_Wr*>(context))
      camera->DeliverFrame(frame, size);
  } catch (...) {
    // Nothing may leave a call-back of the SDK.
  }
  return 0;
}
