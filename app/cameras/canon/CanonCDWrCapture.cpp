// Releasing the shutter and transferring what the release announced: the
// one-step capture, the two halves of the all-cameras capture, the monitor
// switched off around a release where the camera asks, every item fetched
// into a memory stream and the pictures among them handed to the picture
// record, and the release and transfer progress.
#include "app/cameras/canon/CanonCDBracketing.h"
#include "app/cameras/canon/CanonCDPictureInfo.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonFailureReport.h"
#include "app/cameras/canon/CanonLimits.h"
#include "app/cameras/canon/CanonMemoryStream.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/core/ISdkCallback.h"
#include "hostapi/IPictureFromCamera.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <utility>

using tarsel::canon::CallChecked;
using tarsel::canon::CallQuietly;
using tarsel::canon::CameraCallLock;
using tarsel::canon::GuardResult;
namespace cd = tarsel::cdsdk;

namespace {

// Closes the release's bracket when it goes, whatever the path.
class ReleaseBracketGuard {
public:
  explicit ReleaseBracketGuard(std::function<void()> close) : m_close(std::move(close)) {}
  ~ReleaseBracketGuard() { m_close(); }
  ReleaseBracketGuard(const ReleaseBracketGuard&) = delete;
  ReleaseBracketGuard& operator=(const ReleaseBracketGuard&) = delete;

private:
  std::function<void()> m_close;
};

} // namespace

void CanonCD_Wr::OpenReleaseBracket() {
  CallQuietly<cd::kEntryBeforeRelease>(OpenSourceHandle());
  m_bracketOpen = true;
}

void CanonCD_Wr::CloseReleaseBracket() noexcept {
  if (!m_bracketOpen || !HasOpenSource())
    return;
  CallQuietly<cd::kEntryAfterTransfer>(m_source->GetHandle());
  m_bracketOpen = false;
}

bool CanonCD_Wr::MonitorOffForRelease() {
  if ((m_deviceFlags & cd::kFlagMonitorOffAroundRelease) == 0)
    return false;
  const bool wasOn = m_monitorOn.load();
  ThrowIfFailed(LcdOff());
  return wasOn;
}

void CanonCD_Wr::ReleaseShutter(std::uint16_t flag) {
  const std::uint32_t source = OpenSourceHandle();
  std::uint32_t count = 0;
  const std::uint32_t result = tarsel::canon::CallEntry<cd::kEntryRelease>(
      source, flag, &CanonCD_Wr::OnProgress, static_cast<void*>(this), cd::kReleaseOption, &count, 0u);
  if (result != 0) {
    // Nothing is transferred after a failed release: close its bracket now.
    CloseReleaseBracket();
    ThrowIfCanonError(result);
  }
  // What the camera claims beyond a burst is not believed.
  m_pendingItems = std::min(count, tarsel::canon::kMaxReleaseItems);
}

HRESULT CanonCD_Wr::Capture(std::uint32_t value, bool flag) {
  return GuardResult([&] {
    const CameraCallLock lock(m_lock);
    if (m_bracketing->IsEnabled()) {
      if (m_bracketing->IsFirstStep())
        ThrowIfFailed(m_bracketing->PrepareSeries());
      ThrowIfFailed(m_bracketing->ApplyCurrentStep());
    }
    OpenReleaseBracket();
    const bool wasOn = MonitorOffForRelease();
    if (value != m_lastCaptureValue) {
      m_source->SelectReleaseKind((value & 1u) ? cd::kReleaseKindWithExtras : cd::kReleaseKindPicture);
      // Kept only once selected, so a failed selection is tried again.
      m_lastCaptureValue = value;
    }
    ReleaseShutter(flag ? 1 : 0);
    if (wasOn)
      ThrowIfFailed(LcdOn(0));
  });
}

HRESULT CanonCD_Wr::PrepareCapture(std::uint32_t) {
  return GuardResult([&] {
    const CameraCallLock lock(m_lock);
    OpenReleaseBracket();
    m_monitorWasOn = false;
    m_monitorWasOn = MonitorOffForRelease();
  });
}

HRESULT CanonCD_Wr::FirePreparedCapture() {
  return GuardResult([&] {
    const CameraCallLock lock(m_lock);
    ReleaseShutter(0);
    if (m_monitorWasOn)
      ThrowIfFailed(LcdOn(0));
  });
}

void CanonCD_Wr::TransferItem(IPictureFromCamera* picture, std::uint32_t flags) {
  const std::uint32_t source = OpenSourceHandle();
  CanonReleaseItemRecord record{};
  CallChecked<cd::kEntryReleasedItem>(source, static_cast<cd::ProgressCallback*>(nullptr),
                                      static_cast<void*>(nullptr), 0u, &record,
                                      static_cast<cd::ReleaseDestination*>(nullptr), 0u);
  // Copied out of the packed record before use.
  const std::uint32_t dataType = record.dataType;
  const std::uint32_t dataSize = record.dataSize;
  // The size is the camera's word: the stream holds at most 2^31-1 bytes.
  if (dataSize > static_cast<std::uint32_t>(INT32_MAX))
    throw _brantel_take_error(E_OUTOFMEMORY);
  CanonMemoryStream stream(static_cast<std::int32_t>(dataSize));
  cd::ReleaseDestination destination{cd::kDestinationMemoryStream, stream.Record()};
  CallChecked<cd::kEntryReleasedItem>(source, &CanonCD_Wr::OnProgress, static_cast<void*>(this),
                                      cd::kReleaseOption, &record, &destination, 0u);
  if (dataType != cd::kItemTypeJpeg && dataType != cd::kItemTypeRaw)
    return;
  const auto size = static_cast<std::uint32_t>(stream.Size());
  CCanonCDPictureInfo info = CCanonCDPictureInfo::FromIds(size, static_cast<std::int32_t>(m_whiteBalanceCode),
                                                          static_cast<std::int32_t>(m_isoCode),
                                                          static_cast<std::int32_t>(m_flashCode));
  picture->SetImage(stream.Data(), size, kRawExtension, &info);
  if (flags & kNameAfterCameraFile) {
    char name[sizeof record.fileName + 1] = {};
    std::memcpy(name, record.fileName, sizeof record.fileName);
    picture->SetFileName(name);
  }
}

HRESULT CanonCD_Wr::TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) {
  return GuardResult([&] {
    if (!picture)
      throw _brantel_take_error(E_POINTER);
    const CameraCallLock lock(m_lock);
    try {
      OpenSourceHandle();
      const ReleaseBracketGuard closing([this] { CloseReleaseBracket(); });
      // An item that fails stays pending (the SDK keeps it), so it can be
      // fetched again.
      while (m_pendingItems != 0) {
        TransferItem(picture, flags);
        --m_pendingItems;
      }
    } catch (const _brantel_take_error& error) {
      ReportCanonFailure(error, "CanonCD_Wr::TransferPicture", this);
      throw;
    }
  });
}

void CanonCD_Wr::StatusToSink(std::int32_t code, std::intptr_t argument) {
  if (_ISdkCallback* sink = m_statusSink.load())
    sink->OnStatus(code, argument);
}

std::uint32_t CanonCD_Wr::OnProgress(std::uint32_t progress, std::uint32_t, void* context) {
  try {
    if (auto* camera = static_cast<CanonCD_Wr*>(context))
      camera->StatusToSink(kStatusProgress, static_cast<std::intptr_t>(progress));
  } catch (...) {
    // Nothing may leave a call-back of the SDK.
  }
  return 0;
}
