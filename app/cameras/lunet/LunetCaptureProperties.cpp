#include "app/cameras/lunet/LunetCaptureProperties.h"

#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/dialogs/CapturePropertyCalls.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetRefusal.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"

#include <QWidget>

using tarsel::dialogs::CaptureList;
using tarsel::dialogs::CaptureSnapshot;
using tarsel::dialogs::CaptureValueList;
using tarsel::dialogs::ExposureBlock;
using tarsel::dialogs::kCaptureCapabilityNames;
using tarsel::dialogs::kCaptureListsWithoutAfDistance;
using tarsel::dialogs::ZoomAndFocus;
using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;

CaptureValueList CLunetCaptureProperties::ValuesOf(CLunetWr& camera, const char* capability) {
  CaptureValueList list;
  // The table stays valid only while the store keeps it: copied under the lock.
  const CLunetLock lock(&camera);
  const tarsel::core::CapabilityValue* table = camera.GetCapabilityTable(capability);
  list.supported = table != nullptr;
  for (; table && table->label; ++table)
    list.values.emplace_back(table->id, table->label);
  return list;
}

CaptureSnapshot CLunetCaptureProperties::ReadAll() {
  CaptureSnapshot snapshot;
  {
    const CLunetLock lock(m_camera);
    const CLunetConnection connection(m_camera);
    tarsel::dialogs::ReadCaptureSettings(*m_camera, snapshot);
    snapshot.zoom = ReadZoomAndFocus();
  }
  // The family has no AF distance.
  for (std::size_t i = 0; i < kCaptureListsWithoutAfDistance; ++i)
    snapshot.lists[i] = ValuesOf(*m_camera, kCaptureCapabilityNames[i]);
  return snapshot;
}

ZoomAndFocus CLunetCaptureProperties::ReadZoomAndFocus() {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  ZoomAndFocus zoom;
  zoom.position = m_camera->GetPropOpticalZoom(&zoom.factor);
  const CRangeD range = m_camera->GetOpticalZoomRange();
  zoom.min = range.GetMin();
  zoom.max = range.GetMax();
  zoom.focusMode = m_camera->GetPropFocusMode();
  return zoom;
}

ExposureBlock CLunetCaptureProperties::SetExposure(const ExposureBlock& block) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  tarsel::lunet::RunRefusable(
      *m_camera, [&] { m_camera->SetExposureProp3(block.mode, block.aperture, block.exposureTime); });
  ExposureBlock read = block;
  m_camera->GetExposureProp3(&read.mode, &read.aperture, &read.exposureTime);
  return read;
}

std::int32_t CLunetCaptureProperties::SetValue(CaptureList list, std::int32_t value) {
  const CLunetLock lock(m_camera);
  const CLunetConnection connection(m_camera);
  // A refused value is shown as the value the camera kept.
  tarsel::lunet::RunRefusable(*m_camera, [&] { tarsel::dialogs::SendCaptureValue(*m_camera, list, value); });
  return GetValue(list);
}

std::int32_t CLunetCaptureProperties::GetValue(CaptureList list) {
  return tarsel::dialogs::ReadCaptureValue(*m_camera, list);
}

std::pair<std::int32_t, double> CLunetCaptureProperties::SetOpticalZoom(std::int32_t position) {
  return tarsel::dialogs::SendOpticalZoom(*m_camera, position);
}

void CLunetCaptureProperties::SetFocusMode(std::int32_t mode) {
  m_camera->SetPropFocusMode(mode);
}

void CLunetCaptureProperties::SetDigitalZoom(std::int32_t value) {
  m_camera->SetPropElectricZoom(value);
}

std::string CLunetCaptureProperties::StatusLine() {
  return tarsel::cameras::CameraStatusLine(*m_camera);
}

std::int32_t CLunetCaptureProperties::SettingsPage(tarsel::dialogs::SettingsPageFor request) const {
  // The sheet's pages: focus, general, zoom, monitor brightness.
  return request == tarsel::dialogs::SettingsPageFor::ManualFocus ? kFocusPage : 0;
}

bool CLunetCaptureProperties::UsesAperture(std::int32_t mode) const {
  return CLunetWr::ModeSetsAperture(mode);
}

bool CLunetCaptureProperties::UsesExposureTime(std::int32_t mode) const {
  return CLunetWr::ModeSetsExposureTime(mode);
}

bool CLunetCaptureProperties::UsesExpoBias(std::int32_t mode) const {
  return CLunetWr::ModeUsesExposureBias(mode);
}

HRESULT CLunetWr::ShowCaptureProperties(HWND parent, std::int32_t, bool show) {
  return m_captureProperties.Show(
      show, static_cast<QWidget*>(parent), [this] { return std::make_shared<CLunetCaptureProperties>(this); },
      [this] {
        IBaseSDK_Wr* sdk = GetSdk();
        return sdk ? sdk->GetSettings() : nullptr;
      });
}

HRESULT CLunetWr::EnableCaptureProperties(bool enable) {
  return m_captureProperties.Enable(enable);
}

HRESULT CLunetWr::NotifyCaptureProperties(std::int32_t event) {
  return m_captureProperties.Notify(event);
}

HRESULT CLunetWr::CloseCaptureProperties() {
  return m_captureProperties.Close([this](std::int32_t digitalZoom) { SetPropElectricZoom(digitalZoom); });
}
