#include "app/cameras/vesk/VeskTestCameraCapabilities.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <utility>

CVeskTestCameraCapabilities::CVeskTestCameraCapabilities(QWidget* window)
    : CCapabilityTrialAdapter(window, "The window holds no camera-link camera.") {}

void CVeskTestCameraCapabilities::PrepareForTest() {
  Camera().SetResolutionOne();
  Camera().SetFlashModeTwo();
}

void CVeskTestCameraCapabilities::SetSetting(Setting setting, std::int32_t value) {
  SendSetting(Camera(), setting, value);
}

void CVeskTestCameraCapabilities::SetOpticalZoomRange(std::int32_t min, std::int32_t max) {
  Camera().SetOpticalZoomRange(min, max);
}

std::vector<CCapabilityEntry> CVeskTestCameraCapabilities::GetDefaultValues(const char* name) {
  CVeskDllWr& camera = Camera();
  const std::lock_guard<std::recursive_mutex> guard(camera.Mutex());
  std::vector<CCapabilityEntry> values;
  if (CCapabilitySet* set = camera.GetCapabilitySet(name))
    if (const CCapabilitySet::Value* row = set->GetDefaultTable())
      for (; row->label; ++row)
        values.push_back({row->id, row->label});
  return values;
}

void CVeskTestCameraCapabilities::StoreCapability(const char* name,
                                                  const std::vector<CCapabilityEntry>& values) {
  std::vector<CCapabilitySet::Value> table;
  for (const CCapabilityEntry& entry : values)
    table.push_back({entry.id, entry.label.c_str()});
  table.push_back({0, nullptr});
  Camera().SetCapabilityValues(name, values.empty() ? nullptr : table.data(), false);
}

void CVeskTestCameraCapabilities::SaveCapabilities() {
  Camera().SaveCapabilities(nullptr);
}

std::string CVeskTestCameraCapabilities::GetCapabilityFileName() {
  // Not through the caller's buffer: a data folder may be longer than one.
  return Camera().GetCameraDescriptionFile();
}

void CVeskTestCameraCapabilities::RestoreDefaults() {
  Camera().DeleteCapabilityFile(nullptr);
}
