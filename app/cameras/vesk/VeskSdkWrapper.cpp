#include "app/cameras/vesk/VeskSdkWrapper.h"

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/common/FamilySingleton.h"
#include "app/cameras/common/SettingsPageHandOut.h"
#include "app/cameras/vesk/VeskActiveCameras.h"
#include "app/cameras/vesk/VeskCameraListFile.h"
#include "app/cameras/vesk/VeskDiagnostics.h"
#include "app/cameras/vesk/VeskModelTable.h"
#include "app/cameras/vesk/VeskSdkLibraryCalls.h"
#include "app/cameras/vesk/VeskSdkPageSelCameras.h"
#include "app/cameras/vesk/VeskSupportedCameraTypes.h"
#include "app/cameras/vesk/VeskTextLists.h"
#include "app/cameras/vesk/VeskUsbCameraLocations.h"
#include "app/core/IConnectedCameras.h"
#include "platform/PrivateProfile.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr const char* kSdkName = "BRANTEL_SDK3.4";
constexpr unsigned long kVeskFacility = 0x104;

tarsel::cameras::FamilySingleton<CVeskSDK_Wr>& family() {
  static tarsel::cameras::FamilySingleton<CVeskSDK_Wr> instance(BindVeskLibrary, UnbindVeskLibrary);
  return instance;
}

// Whether the model name can be a line "name=1" of the selection file.
bool IsStorableModelName(const std::string& name) {
  return !name.empty() && name == tarsel::vesk::ProfileSafeText(name);
}

} // namespace

CVeskSDK_Wr::CVeskSDK_Wr() : m_facility(kVeskFacility) {}

CVeskSDK_Wr::~CVeskSDK_Wr() {
  FreeCameraNames();
}

const char* CVeskSDK_Wr::GetSdkName() {
  return kSdkName;
}

int CVeskSDK_Wr::GetCameraCount() {
  return CountCameras();
}

const char* CVeskSDK_Wr::IsEnabled() {
  m_activeCameras = tarsel::vesk::ReadActiveCameraList(DataFolder() + GetSdkName());
  return tarsel::vesk::MultiStringOrNull(m_activeCameras);
}

int CVeskSDK_Wr::EnumerateCameras(HWND, IConnectedCameras* list) {
  if (!list)
    return 0;
  int count = 0;
  try {
    count = GetCameraCount();
  } catch (...) {
    return 0;
  }
  int handedOver = 0;
  for (int index = 0; index < count; ++index) {
    try {
      ICameraHiLevel* camera = MakeCamera(index);
      if (!camera)
        break;
      list->Add(camera);
      ++handedOver;
    } catch (...) {
      break;
    }
  }
  return handedOver;
}

HRESULT CVeskSDK_Wr::CreateSettingsPage(ISdkPropertyPage** page) {
  return tarsel::cameras::HandOutSettingsPage(page, [this]() -> ISdkPropertyPage* {
    return new CVeskSdkPageSelCameras(this, tarsel::vesk::DriverSetupContext::OfProgram());
  });
}

ITarselSettings* CVeskSDK_Wr::GetSettings() {
  return family().Settings();
}

const char* CVeskSDK_Wr::GetCameraModelList() {
  m_modelNames.clear();
  std::vector<std::string> names;
  for (const CNamePair& row : RebuildModelTable())
    names.push_back(row.second);
  m_modelNames = tarsel::vesk::MakeMultiString(names);
  return tarsel::vesk::MultiStringOrNull(m_modelNames);
}

void CVeskSDK_Wr::SaveCameraSelection(const char* models) {
  const std::vector<CNamePair>& table = RebuildModelTable();
  std::vector<std::string> chosen;
  for (const char* name = models; name && *name; name += std::strlen(name) + 1)
    chosen.emplace_back(name);

  // A name the file cannot hold is left out, so that the others are kept.
  std::string lines;
  for (const std::string& name : chosen) {
    if (!IsStorableModelName(name))
      continue;
    lines += name + "=1";
    lines += '\0';
  }
  lines += '\0';
  const std::string file = DataFolder() + GetSdkName();
  WritePrivateProfileSectionA(tarsel::vesk::kActiveCamerasSection, lines.c_str(), file.c_str());

  std::vector<std::string> identifications;
  for (const std::string& name : chosen) {
    for (const CNamePair& row : table) {
      if (row.second != name || row.first.empty())
        continue;
      if (std::find(identifications.begin(), identifications.end(), row.first) == identifications.end())
        identifications.push_back(row.first);
    }
  }
  tarsel::vesk::AddSupportedCameraTypesOfUser(identifications);
}

void CVeskSDK_Wr::GetDiagnosticText(std::string* out, bool withHeader) {
  if (!out)
    return;
  *out = tarsel::vesk::VeskDiagnosticText(withHeader, tarsel::vesk::VeskInstLibraryPath());
}

const char* CVeskSDK_Wr::GetInstalledCameras() {
  m_installedCameras.clear();
  // Without the model table every known camera would be listed as unknown.
  if (!m_modelTableBuilt)
    RebuildModelTable();
  const std::vector<CNamePair> ignored =
      tarsel::vesk::ReadCameraListSection(DataFolder(), tarsel::vesk::kIgnoredCamerasSection);
  m_unlistedDevices = tarsel::vesk::EnumUsbCameraLocations(m_modelTable, ignored);
  m_installedCameras = tarsel::vesk::MakeMultiString(m_unlistedDevices);
  return tarsel::vesk::MultiStringOrNull(m_installedCameras);
}

void CVeskSDK_Wr::SaveUsedCameras(const char* identification, const char* text, bool used) {
  if (!identification)
    return;
  tarsel::vesk::WriteCameraListLine(DataFolder(), identification, text ? text : "", used);
}

void CVeskSDK_Wr::FreeCameraNames() {
  m_modelTable.clear();
  m_modelTableBuilt = false;
  m_unlistedDevices.clear();
}

int CVeskSDK_Wr::CountCameras() {
  return CountVeskCameras();
}

ICameraHiLevel* CVeskSDK_Wr::MakeCamera(int index) {
  return MakeVeskCamera(index);
}

std::string CVeskSDK_Wr::DataFolder() {
  return tarsel::cameras::FamilyDataFolder(GetSettings());
}

const std::vector<CNamePair>& CVeskSDK_Wr::RebuildModelTable() {
  m_modelTable = tarsel::vesk::GetModelTable(DataFolder());
  m_modelTableBuilt = true;
  return m_modelTable;
}

CVeskSDK_Wr* GetVeskSdkWrapper(ITarselSettings* settings) {
  return family().Get(settings);
}

void ReleaseVeskSdkWrapper() {
  family().Release();
}
