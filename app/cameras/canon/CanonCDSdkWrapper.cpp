#include "app/cameras/canon/CanonCDSdkWrapper.h"

#include "app/cameras/canon/CanonCDCameraSelection.h"
#include "app/cameras/canon/CanonCDSdkPageSelCameras.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/cameras/canon/CanonError.h"
#include "app/cameras/canon/CanonSdkLibrary.h"
#include "app/cameras/canon/CanonSource.h"
#include "app/cameras/canon/CanonSourceEnum.h"
#include "app/cameras/common/FamilySingleton.h"
#include "app/core/IConnectedCameras.h"
#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/Win32Error.h"

#include <cstring>
#include <new>

namespace {

using tarsel::canon::kCanonFacility;

constexpr DWORD kChoiceNameSize = 260;

tarsel::cameras::FamilySingleton<CanonCDSDK_Wr>& family() {
  static tarsel::cameras::FamilySingleton<CanonCDSDK_Wr> instance([] { tarsel::canon::LoadCanonSdk(); },
                                                                  [] { tarsel::canon::FinishCanonSdk(); });
  return instance;
}

CanonCDSDK_Wr::CameraChooser& chooser() {
  static CanonCDSDK_Wr::CameraChooser instance;
  return instance;
}

// The family's settings key, or nothing without a kept settings object.
CRefPtr<ICamSdkSettings> familySettings(ITarselSettings* settings, const char* name, bool readOnly) {
  CRefPtr<ICamSdkSettings> opened;
  ICamSdkSettings* raw = nullptr;
  if (settings && settings->GetSdkSettings(name, &raw, readOnly) == 0)
    opened.Attach(raw);
  return opened;
}

} // namespace

std::string CanonCameraList::NameList() const {
  std::string list;
  for (const CanonSourceInfo& camera : cameras) {
    list += camera.displayName;
    list += '\0';
  }
  if (!list.empty())
    list += '\0';
  return list;
}

void CanonCDSDK_Wr::SetCameraChooser(CameraChooser hook) {
  chooser() = std::move(hook);
}

CanonCDSDK_Wr::CanonCDSDK_Wr() : m_facility(kCanonFacility) {}

CanonCDSDK_Wr::~CanonCDSDK_Wr() = default;

int CanonCDSDK_Wr::GetCameraCount() {
  // The table is all zero while the SDK is not started: nothing to ask.
  if (!tarsel::canon::IsCanonSdkStarted())
    return 0;
  try {
    CCanonSourceEnum sources;
    return static_cast<int>(sources.GetCount());
  } catch (const _brantel_take_error&) {
    throw;
  } catch (...) {
    throw _brantel_take_error(tarsel::canon::kCanonUnexpected);
  }
}

const char* CanonCDSDK_Wr::IsEnabled() {
  try {
    return GetCameraCount() != 0 ? "USE" : nullptr;
  } catch (...) {
    return nullptr;
  }
}

std::optional<CanonSourceInfo> CanonCDSDK_Wr::ReadSource(std::uint32_t index) {
  try {
    CCanonSource source(index);
    source.Open();
    CanonSourceInfo info;
    info.index = index;
    info.sourceName = source.GetSourceName();
    {
      CCanonDeviceProps props(source.GetHandle());
      info.eligible = (props.GetDeviceFlags() & tarsel::cdsdk::kFlagEligible) != 0;
      info.displayName = CanonCD_Wr::DisplayName(props.GetOwnerText(), info.sourceName);
    }
    return info;
  } catch (...) {
    // A source that cannot be read is skipped; its holder closed it again.
    return std::nullopt;
  }
}

ICameraHiLevel* CanonCDSDK_Wr::MakeCamera(const CanonSourceInfo& source) {
  return new CanonCD_Wr(source);
}

void CanonCDSDK_Wr::ReadStoredChoice() {
  const CRefPtr<ICamSdkSettings> settings = familySettings(GetSettings(), GetSdkName(), true);
  if (!settings || !settings->GetBool(kUseChoiceValue, false))
    return;
  char name[kChoiceNameSize] = {};
  DWORD size = sizeof name;
  if (settings->GetString(kChoiceNameValue, name, &size) == 0 && name[0])
    m_userChoice.assign(name, strnlen(name, sizeof name));
}

int CanonCDSDK_Wr::ChooseAmongSeveral(int count) {
  ReadStoredChoice();
  int chosen = -1;
  if (!m_userChoice.empty()) {
    for (int i = 0; i < count; ++i) {
      const std::optional<CanonSourceInfo> info = ReadSource(static_cast<std::uint32_t>(i));
      // The last match wins.
      if (info && info->eligible && info->displayName == m_userChoice)
        chosen = i;
    }
  }
  if (chosen >= 0)
    return chosen;
  const CanonCameraList list = GetCameraNameList(nullptr, nullptr);
  if (list.cameras.empty())
    return -1;
  const int position = chooser() ? chooser()(this, list) : CCanonCD_CameraSelection::Choose(this, list);
  if (position < 0 || position >= static_cast<int>(list.cameras.size()))
    return -1;
  // The chooser answers a position among the eligible cameras; the camera
  // is made for that camera's source index.
  return static_cast<int>(list.cameras[static_cast<std::size_t>(position)].index);
}

int CanonCDSDK_Wr::EnumerateCameras(HWND, IConnectedCameras* list) {
  if (!list)
    return 0;
  ICameraHiLevel* camera = nullptr;
  try {
    const int count = GetCameraCount();
    if (count <= 0)
      return 0;
    const int chosen = count == 1 ? 0 : ChooseAmongSeveral(count);
    if (chosen < 0)
      return 0;
    const auto index = static_cast<std::uint32_t>(chosen);
    std::optional<CanonSourceInfo> info = ReadSource(index);
    if (!info) {
      info.emplace();
      info->index = index;
    }
    camera = MakeCamera(*info);
  } catch (...) {
    return 0;
  }
  try {
    // The list owns the camera from the call on, also when Add fails.
    list->Add(camera);
    return 1;
  } catch (...) {
    return 0;
  }
}

HRESULT CanonCDSDK_Wr::CreateSettingsPage(ISdkPropertyPage** page) {
  if (!page)
    return E_POINTER;
  *page = nullptr;
  // Only while the SDK is loaded: the page lists its cameras.
  if (!tarsel::canon::IsCanonSdkStarted())
    return S_OK;
  try {
    auto* created = new CCanonCD_SdkPageSelCameras(this);
    created->AddRef();
    *page = created;
    return S_OK;
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (const std::bad_alloc&) {
    return static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

ITarselSettings* CanonCDSDK_Wr::GetSettings() {
  return family().Settings();
}

void CanonCDSDK_Wr::GetDiagnosticText(std::string* out, bool withHeader) {
  if (out)
    *out = withHeader ? "SDK: CanonCD\r\n" : "";
}

void CanonCDSDK_Wr::SaveCameraOfUserChoice(const char* name, bool use) {
  m_userChoice = name ? name : "";
  const CRefPtr<ICamSdkSettings> settings = familySettings(GetSettings(), GetSdkName(), false);
  if (!settings)
    return;
  settings->SetString(kChoiceNameValue, use ? m_userChoice.c_str() : "");
  settings->SetBool(kUseChoiceValue, use);
}

CanonCameraList CanonCDSDK_Wr::GetCameraNameList(int* chosenIndex, bool* use) {
  CanonCameraList list;
  const int count = GetCameraCount();
  for (int i = 0; i < count; ++i) {
    std::optional<CanonSourceInfo> info = ReadSource(static_cast<std::uint32_t>(i));
    if (!info || !info->eligible)
      continue;
    if (chosenIndex && info->displayName == m_userChoice)
      *chosenIndex = i;
    list.cameras.push_back(std::move(*info));
  }
  if (use) {
    if (const CRefPtr<ICamSdkSettings> settings = familySettings(GetSettings(), GetSdkName(), true))
      *use = settings->GetBool(kUseChoiceValue, false);
  }
  return list;
}

CanonCDSDK_Wr* GetCanonCDSdkWrapper(ITarselSettings* settings) {
  return family().Get(settings);
}

void ReleaseCanonCDSdkWrapper() {
  family().Release();
}
