#include "app/cameras/vesk/VeskCaptureProperties.h"

#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/ui/CameraConnectGuard.h"

#include <iterator>
#include <mutex>

using tarsel::dialogs::CaptureList;
using tarsel::dialogs::CaptureSnapshot;
using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::ExposureBlock;
using tarsel::dialogs::ZoomAndFocus;

namespace {

// The capability of each list, in the order of CaptureList; the family has
// no AF distance.
constexpr const char* kCapabilityNames[] = {
    "ProgamMode", "ExposureTime", "Aperture",     "ExposureBias", "ISOSpeed",
    "FlashMode",  "WhiteBalance", "MeteringMode", "Resolution",
};

} // namespace

CaptureValueList CVeskCaptureProperties::ValuesOf(CVeskDllWr& camera, const char* capability) {
  CaptureValueList list;
  const std::lock_guard<std::recursive_mutex> guard(camera.Mutex());
  CCapabilitySet* set = camera.GetCapabilitySet(capability);
  const CCapabilitySet::Value* table = set ? set->GetValues() : nullptr;
  list.supported = table != nullptr;
  for (; table && table->label; ++table)
    list.values.emplace_back(table->id, table->label);
  return list;
}

CaptureSnapshot CVeskCaptureProperties::ReadAll() {
  CaptureSnapshot snapshot;
  {
    const CCameraConnectGuard connection(m_camera);
    snapshot.name = m_camera->GetCameraName();
    m_camera->GetExposureProp3(&snapshot.exposure.mode, &snapshot.exposure.aperture,
                               &snapshot.exposure.exposureTime);
    for (const CaptureList list : {CaptureList::FlashMode, CaptureList::IsoSpeed, CaptureList::WhiteBalance,
                                   CaptureList::Metering, CaptureList::ExposureBias, CaptureList::Resolution})
      snapshot.values[static_cast<std::size_t>(list)] = GetValue(list);
    snapshot.digitalZoom = m_camera->GetPropElectricZoom();
    m_camera->ResetElectricZoom();
    snapshot.zoom = ReadZoomAndFocus();
  }
  for (std::size_t i = 0; i < std::size(kCapabilityNames); ++i)
    snapshot.lists[i] = ValuesOf(*m_camera, kCapabilityNames[i]);
  return snapshot;
}

ZoomAndFocus CVeskCaptureProperties::ReadZoomAndFocus() {
  const CCameraConnectGuard connection(m_camera);
  ZoomAndFocus zoom;
  zoom.position = m_camera->GetPropOpticalZoom(&zoom.factor);
  const CRange range = m_camera->GetRangeByName("OpticalZoom");
  zoom.min = range.GetMin();
  zoom.max = range.GetMax();
  zoom.focusMode = m_camera->GetPropFocusMode();
  return zoom;
}

ExposureBlock CVeskCaptureProperties::SetExposure(const ExposureBlock& block) {
  const CCameraConnectGuard connection(m_camera);
  m_camera->SetExposureProp3(block.mode, block.aperture, block.exposureTime);
  ExposureBlock read = block;
  m_camera->GetExposureProp3(&read.mode, &read.aperture, &read.exposureTime);
  return read;
}

std::int32_t CVeskCaptureProperties::SetValue(CaptureList list, std::int32_t value) {
  const CCameraConnectGuard connection(m_camera);
  switch (list) {
  case CaptureList::ExposureBias:
    m_camera->SetPropExpoBias(value);
    break;
  case CaptureList::IsoSpeed:
    m_camera->SetPropIsoSpeed(value);
    break;
  case CaptureList::FlashMode:
    m_camera->SetPropFlash(value);
    break;
  case CaptureList::WhiteBalance:
    m_camera->SetPropWhiteBalance(value);
    break;
  case CaptureList::Metering:
    m_camera->SetPropMetering(value);
    break;
  case CaptureList::Resolution:
    m_camera->SetPropResolution(value);
    break;
  default:
    return value;
  }
  return GetValue(list);
}

std::int32_t CVeskCaptureProperties::GetValue(CaptureList list) {
  switch (list) {
  case CaptureList::ExposureBias:
    return m_camera->GetPropExpoBias();
  case CaptureList::IsoSpeed:
    return m_camera->GetPropIsoSpeed();
  case CaptureList::FlashMode:
    return m_camera->GetPropFlash();
  case CaptureList::WhiteBalance:
    return m_camera->GetPropWhiteBalance();
  case CaptureList::Metering:
    return m_camera->GetPropMetering();
  case CaptureList::Resolution:
    return m_camera->GetPropResolution();
  default:
    return 0;
  }
}

std::pair<std::int32_t, double> CVeskCaptureProperties::SetOpticalZoom(std::int32_t position) {
  double factor = 0;
  const std::int32_t reached = m_camera->SetPropOpticalZoom(position, &factor);
  return {reached, factor};
}

void CVeskCaptureProperties::SetFocusMode(std::int32_t mode) {
  m_camera->SetPropFocusMode(mode);
}

void CVeskCaptureProperties::SetDigitalZoom(std::int32_t value) {
  m_camera->SetPropElectricZoom(value);
}

std::string CVeskCaptureProperties::StatusLine() {
  return tarsel::cameras::CameraStatusLine(*m_camera);
}

std::int32_t CVeskCaptureProperties::SettingsPage(tarsel::dialogs::SettingsPageFor request) const {
  // The sheet's pages: general, focus, zoom, monitor brightness.
  return request == tarsel::dialogs::SettingsPageFor::ManualFocus ? 1 : 0;
}

bool CVeskCaptureProperties::UsesAperture(std::int32_t mode) const {
  return CVeskDllWr::UsesAperture(mode);
}

bool CVeskCaptureProperties::UsesExposureTime(std::int32_t mode) const {
  return CVeskDllWr::UsesExposureTime(mode);
}

bool CVeskCaptureProperties::UsesExpoBias(std::int32_t mode) const {
  return CVeskDllWr::UsesExpoBias(mode);
}
