#include "app/cameras/vesk/VeskCaptureProperties.h"

#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/dialogs/CapturePropertyCalls.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/ui/CameraConnectGuard.h"

#include <mutex>

using tarsel::dialogs::CaptureList;
using tarsel::dialogs::CaptureSnapshot;
using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::ExposureBlock;
using tarsel::dialogs::kCaptureCapabilityNames;
using tarsel::dialogs::kCaptureListsWithoutAfDistance;
using tarsel::dialogs::ZoomAndFocus;

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
    tarsel::dialogs::ReadCaptureSettings(*m_camera, snapshot);
    snapshot.zoom = ReadZoomAndFocus();
  }
  // The family has no AF distance.
  for (std::size_t i = 0; i < kCaptureListsWithoutAfDistance; ++i)
    snapshot.lists[i] = ValuesOf(*m_camera, kCaptureCapabilityNames[i]);
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
  if (!tarsel::dialogs::SendCaptureValue(*m_camera, list, value))
    return value;
  return GetValue(list);
}

std::int32_t CVeskCaptureProperties::GetValue(CaptureList list) {
  return tarsel::dialogs::ReadCaptureValue(*m_camera, list);
}

std::pair<std::int32_t, double> CVeskCaptureProperties::SetOpticalZoom(std::int32_t position) {
  return tarsel::dialogs::SendOpticalZoom(*m_camera, position);
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
