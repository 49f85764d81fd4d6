#include "app/testcamera/FakeCameraFamily.h"

#include "app/core/IConnectedCameras.h"
#include "app/testcamera/FakeCamera.h"

#include <algorithm>
#include <cstring>

namespace tarsel::testcamera {

FakeCameraFamily::FakeCameraFamily(std::string sdkName)
    : m_sdkName(std::move(sdkName)), m_tracker(std::make_shared<FamilyTracker>()) {}

FakeCameraFamily::~FakeCameraFamily() = default;

void FakeCameraFamily::setEnabled(bool enabled) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_enabled = enabled;
}

void FakeCameraFamily::setCameraCount(int count) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_cameraCount = count;
}

void FakeCameraFamily::setModels(std::vector<std::string> models) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_models = std::move(models);
}

void FakeCameraFamily::setSettings(ITarselSettings* settings) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_settings = settings;
}

void FakeCameraFamily::setCameraSetup(std::function<void(FakeCamera&)> setup) {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_cameraSetup = std::move(setup);
}

int FakeCameraFamily::camerasCreated() const {
  const std::lock_guard<std::mutex> guard(m_tracker->lock);
  return m_tracker->created;
}

int FakeCameraFamily::camerasDestroyed() const {
  const std::lock_guard<std::mutex> guard(m_tracker->lock);
  return static_cast<int>(m_tracker->destroyed.size());
}

int FakeCameraFamily::timesDestroyed(int serial) const {
  const std::lock_guard<std::mutex> guard(m_tracker->lock);
  return static_cast<int>(std::count(m_tracker->destroyed.begin(), m_tracker->destroyed.end(), serial));
}

std::vector<std::string> FakeCameraFamily::savedSelection() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_savedSelection;
}

std::unique_ptr<FakeCamera> FakeCameraFamily::makeCamera(int index) {
  return std::make_unique<FakeCamera>(this, m_tracker, index);
}

const char* FakeCameraFamily::GetSdkName() {
  return m_sdkName.c_str();
}

int FakeCameraFamily::GetCameraCount() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_enabled ? m_cameraCount : 0;
}

const char* FakeCameraFamily::IsEnabled() {
  if (m_script.enter(FamilyOp::IsEnabled))
    return nullptr;
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_enabled ? "USED" : nullptr;
}

int FakeCameraFamily::EnumerateCameras(HWND, IConnectedCameras* list) {
  if (m_script.enter(FamilyOp::EnumerateCameras) || !list)
    return 0;
  std::function<void(FakeCamera&)> setup;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    setup = m_cameraSetup;
  }
  const int count = GetCameraCount();
  int added = 0;
  for (int index = 0; index < count; ++index) {
    std::unique_ptr<FakeCamera> camera = makeCamera(index);
    if (setup)
      setup(*camera);
    list->Add(camera.release());
    ++added;
  }
  return added;
}

HRESULT FakeCameraFamily::CreateSettingsPage(ISdkPropertyPage** page) {
  if (page)
    *page = nullptr;
  return m_script.enter(FamilyOp::CreateSettingsPage);
}

ITarselSettings* FakeCameraFamily::GetSettings() {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_settings;
}

const char* FakeCameraFamily::GetCameraModelList() {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (m_models.empty())
    return nullptr;
  m_modelList.clear();
  for (const std::string& model : m_models)
    m_modelList.append(model).push_back('\0');
  // The string's own terminator closes the list.
  return m_modelList.c_str();
}

void FakeCameraFamily::SaveCameraSelection(const char* models) {
  if (m_script.enter(FamilyOp::SaveCameraSelection))
    return;
  std::vector<std::string> selection;
  for (const char* model = models; model && *model; model += std::strlen(model) + 1)
    selection.emplace_back(model);
  const std::lock_guard<std::mutex> guard(m_lock);
  m_savedSelection = std::move(selection);
}

void FakeCameraFamily::GetDiagnosticText(std::string* out, bool withHeader) {
  m_script.enter(FamilyOp::GetDiagnosticText);
  if (out)
    *out = withHeader ? "SDK: Test\r\n" : "";
}

} // namespace tarsel::testcamera
