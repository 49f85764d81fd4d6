#include "app/cameras/canon/CanonCDCaptureProperties.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonError.h"
#include "app/cameras/canon/CdSdkAbi.h"
#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/dialogs/CapturePropertyCalls.h"
#include "app/ui/CameraConnectGuard.h"
#include "env/BrantelTakeError.h"

using tarsel::dialogs::CaptureList;
using tarsel::dialogs::CaptureSnapshot;
using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::ExposureBlock;
using tarsel::dialogs::ZoomAndFocus;

namespace {

constexpr std::uint32_t kAfLockAvailable = 8;

// Sends a value; a value the camera refuses leaves it with the one it had,
// which the caller reads back and shows (with a beep).
template <class Send> void sendKeepingRefused(Send&& send) {
  try {
    ThrowIfFailed(send());
  } catch (const _brantel_take_error& error) {
    if (error.Error() != tarsel::canon::CanonErrorCode(tarsel::cdsdk::kErrOperationRefused))
      throw;
  }
}

template <class Value> std::int32_t read(HRESULT (CanonCD_Wr::*getter)(Value*), CanonCD_Wr& camera) {
  Value value{};
  ThrowIfFailed((camera.*getter)(&value));
  return static_cast<std::int32_t>(value);
}

} // namespace

ExposureBlock CCanonCDCaptureProperties::ReadExposure() {
  std::uint32_t mode = 0;
  std::uint32_t aperture = 0;
  std::uint32_t time = 0;
  ThrowIfFailed(m_camera->GetExposure(&mode, &aperture, &time));
  return {static_cast<std::int32_t>(mode), static_cast<std::int32_t>(aperture),
          static_cast<std::int32_t>(time)};
}

CaptureSnapshot CCanonCDCaptureProperties::ReadAll() {
  CaptureSnapshot snapshot;
  {
    const CCameraConnectGuard connection(m_camera);
    snapshot.name = m_camera->GetCameraName();
    ReadSettable();
    snapshot.exposure = ReadExposure();
    for (const CaptureList list :
         {CaptureList::FlashMode, CaptureList::IsoSpeed, CaptureList::WhiteBalance, CaptureList::Metering,
          CaptureList::ExposureBias, CaptureList::Resolution, CaptureList::AfDistance})
      snapshot.values[static_cast<std::size_t>(list)] = GetValue(list);
    snapshot.digitalZoom = read(&CanonCD_Wr::GetDigitalZoomSteps, *m_camera);
    ThrowIfFailed(m_camera->LeaveDigitalZoom());
    snapshot.zoom = ReadZoomAndFocus();
    std::uint32_t support = 0;
    ThrowIfFailed(m_camera->GetAFLockSupport(&support));
    snapshot.afLockSupported = (support & kAfLockAvailable) != 0;
    ThrowIfFailed(m_camera->GetAFLock(&snapshot.afLocked));
  }
  for (std::size_t i = 0; i < tarsel::dialogs::kCaptureListCount; ++i) {
    CaptureValueList& list = snapshot.lists[i];
    const tarsel::core::CapabilityValue* row =
        m_camera->GetValueTable(tarsel::dialogs::kCaptureCapabilityNames[i]);
    list.supported = row != nullptr;
    for (; row && row->label; ++row)
      list.values.emplace_back(row->id, row->label);
  }
  return snapshot;
}

ZoomAndFocus CCanonCDCaptureProperties::ReadZoomAndFocus() {
  const CCameraConnectGuard connection(m_camera);
  ZoomAndFocus zoom;
  ThrowIfFailed(m_camera->GetPropOpticalZoom(&zoom.position, &zoom.factor));
  CRangeD range;
  ThrowIfFailed(m_camera->GetOpticalZoomRange(&range));
  zoom.min = range.GetMin();
  zoom.max = range.GetMax();
  return zoom;
}

ExposureBlock CCanonCDCaptureProperties::SetExposure(const ExposureBlock& block) {
  const CCameraConnectGuard connection(m_camera);
  sendKeepingRefused([&] {
    return m_camera->SetExposure(static_cast<std::uint32_t>(block.mode),
                                 static_cast<std::uint32_t>(block.aperture),
                                 static_cast<std::uint32_t>(block.exposureTime));
  });
  return ReadExposure();
}

std::int32_t CCanonCDCaptureProperties::SetValue(CaptureList list, std::int32_t value) {
  const auto code = static_cast<std::uint32_t>(value);
  switch (list) {
  case CaptureList::ExposureBias:
    sendKeepingRefused([&] { return m_camera->SetPropExpoBias(code); });
    break;
  case CaptureList::IsoSpeed:
    sendKeepingRefused([&] { return m_camera->SetPropIsoSpeed(code); });
    break;
  case CaptureList::FlashMode:
    sendKeepingRefused([&] { return m_camera->SetPropFlash(code); });
    break;
  case CaptureList::WhiteBalance:
    sendKeepingRefused([&] { return m_camera->SetPropWhiteBalance(code); });
    break;
  case CaptureList::Metering:
    sendKeepingRefused([&] { return m_camera->SetPropMetering(code); });
    break;
  case CaptureList::Resolution:
    sendKeepingRefused([&] { return m_camera->SetPropResolution(value); });
    break;
  case CaptureList::AfDistance:
    sendKeepingRefused([&] { return m_camera->SetPropAFDistance(code); });
    break;
  default:
    return value;
  }
  return GetValue(list);
}

std::int32_t CCanonCDCaptureProperties::GetValue(CaptureList list) {
  switch (list) {
  case CaptureList::ExposureBias:
    return read(&CanonCD_Wr::GetPropExpoBias, *m_camera);
  case CaptureList::IsoSpeed:
    return read(&CanonCD_Wr::GetPropIsoSpeed, *m_camera);
  case CaptureList::FlashMode:
    return read(&CanonCD_Wr::GetPropFlash, *m_camera);
  case CaptureList::WhiteBalance:
    return read(&CanonCD_Wr::GetPropWhiteBalance, *m_camera);
  case CaptureList::Metering:
    return read(&CanonCD_Wr::GetPropMetering, *m_camera);
  case CaptureList::Resolution:
    return read(&CanonCD_Wr::GetPropResolution, *m_camera);
  case CaptureList::AfDistance:
    return read(&CanonCD_Wr::GetPropAFDistance, *m_camera);
  default:
    return 0;
  }
}

std::pair<std::int32_t, double> CCanonCDCaptureProperties::SetOpticalZoom(std::int32_t position) {
  const CCameraConnectGuard connection(m_camera);
  std::int32_t reached = position;
  double factor = 0;
  ThrowIfFailed(m_camera->SetPropOpticalZoom(position, &reached, &factor));
  return {reached, factor};
}

void CCanonCDCaptureProperties::SetDigitalZoom(std::int32_t value) {
  // -1: the camera had no digital zoom in use.
  if (value >= 0)
    ThrowIfFailed(m_camera->SetDigitalZoomSteps(value));
}

std::string CCanonCDCaptureProperties::StatusLine() {
  return tarsel::cameras::CameraStatusLine(*m_camera);
}

bool CCanonCDCaptureProperties::SetAfLock(bool locked) {
  bool state = locked;
  ThrowIfFailed(m_camera->SetAFLock(locked, &state));
  return state;
}

void CCanonCDCaptureProperties::ReadSettable() {
  for (std::size_t mode = 0; mode < kModeCount; ++mode) {
    const auto program = static_cast<std::uint32_t>(mode);
    const std::uint8_t settable =
        static_cast<std::uint8_t>((m_camera->IsApertureSettable(program) ? kApertureSettable : 0) |
                                  (m_camera->IsExposureTimeSettable(program) ? kTimeSettable : 0) |
                                  (m_camera->IsExpoBiasSettable(program) ? kBiasSettable : 0));
    m_settable[mode].store(settable, std::memory_order_relaxed);
  }
}

bool CCanonCDCaptureProperties::Settable(std::int32_t mode, std::uint8_t what) const {
  if (mode < 0 || static_cast<std::size_t>(mode) >= kModeCount)
    return false;
  return (m_settable[static_cast<std::size_t>(mode)].load(std::memory_order_relaxed) & what) != 0;
}

bool CCanonCDCaptureProperties::UsesAperture(std::int32_t mode) const {
  return Settable(mode, kApertureSettable);
}

bool CCanonCDCaptureProperties::UsesExposureTime(std::int32_t mode) const {
  return Settable(mode, kTimeSettable);
}

bool CCanonCDCaptureProperties::UsesExpoBias(std::int32_t mode) const {
  return Settable(mode, kBiasSettable);
}

unsigned CCanonCDCaptureProperties::Features() const {
  return tarsel::dialogs::kCaptureAfDistance | tarsel::dialogs::kCaptureAfLock;
}
