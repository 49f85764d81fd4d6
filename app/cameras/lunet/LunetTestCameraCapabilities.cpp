#include "app/cameras/lunet/LunetTestCameraCapabilities.h"

#include "app/cameras/dialogs/RunModalDialog.h"
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetCapabilityTables.h"
#include "app/cameras/lunet/LunetRefusal.h"
#include "app/cameras/lunet/LunetWr.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <memory>
#include <utility>

CLunetTestCameraCapabilities::CLunetTestCameraCapabilities(QWidget* window)
    : CCapabilityTrialAdapter(window, "The window holds no ActiveX camera.") {}

ICapabilityTestCamera::Settings CLunetTestCameraCapabilities::ReadSettings() {
  CLunetWr& camera = Camera();
  const tarsel::lunet::CLunetLock lock(&camera);
  const tarsel::lunet::CLunetConnection connection(&camera);
  return CCapabilityTrialAdapter::ReadSettings();
}

void CLunetTestCameraCapabilities::WriteSettings(const Settings& settings) {
  CLunetWr& camera = Camera();
  const tarsel::lunet::CLunetLock lock(&camera);
  const tarsel::lunet::CLunetConnection connection(&camera);
  CCapabilityTrialAdapter::WriteSettings(settings);
}

void CLunetTestCameraCapabilities::PrepareForTest() {
  Camera().SetResolutionLow();
  Camera().SetFlashOff();
}

void CLunetTestCameraCapabilities::SetSetting(Setting setting, std::int32_t value) {
  CLunetWr& camera = Camera();
  // A refused value is read back as the one the camera kept: not taken.
  tarsel::lunet::RunRefusable(camera, [&] { SendSetting(camera, setting, value); });
}

void CLunetTestCameraCapabilities::SetOpticalZoomRange(std::int32_t min, std::int32_t max) {
  Camera().SetOpticalZoomRange(CRange(min, max));
}

std::vector<CCapabilityEntry> CLunetTestCameraCapabilities::GetDefaultValues(const char* name) {
  std::vector<CCapabilityEntry> values;
  const int index = tarsel::lunet::LunetCapabilityIndex(name);
  if (index < 0)
    return values;
  for (const tarsel::core::CapabilityValue* row = tarsel::lunet::LunetCapabilityDefault(index).table;
       row && row->label; ++row)
    values.push_back({row->id, row->label});
  return values;
}

void CLunetTestCameraCapabilities::StoreCapability(const char* name,
                                                   const std::vector<CCapabilityEntry>& values) {
  // A set without values of its own offers its defaults again.
  CCapabilitySet set(name, nullptr);
  for (const CCapabilityEntry& entry : values)
    set.AddValue(entry.id, entry.label.c_str());
  set.BuildTable();
  Camera().SetCapability(name, set, false);
}

void CLunetTestCameraCapabilities::SaveCapabilities() {
  Camera().SaveModelProfile(nullptr);
}

std::string CLunetTestCameraCapabilities::GetCapabilityFileName() {
  CLunetWr& camera = Camera();
  int size = 0;
  camera.GetModelProfilePath(nullptr, &size);
  std::string path(static_cast<std::size_t>(size) + 1, '\0');
  size = static_cast<int>(path.size());
  camera.GetModelProfilePath(path.data(), &size);
  path.resize(static_cast<std::size_t>(size));
  return path;
}

void CLunetTestCameraCapabilities::RestoreDefaults() {
  Camera().DeleteModelProfile(nullptr);
}

HRESULT CLunetWr::ShowCapabilityTest(HWND parent, _ITarselCallback*) {
  return tarsel::lunet::LunetResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(
        new CTestCameraCapabilitiesDlg(std::make_shared<CLunetTestCameraCapabilities>(window), window));
  });
}
