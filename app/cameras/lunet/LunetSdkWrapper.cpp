#include "app/cameras/lunet/LunetSdkWrapper.h"

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/common/FamilySingleton.h"
#include "app/cameras/common/SettingsPageHandOut.h"
#include "app/cameras/lunet/LunetExtraCameras.h"
#include "app/cameras/lunet/LunetModelTable.h"
#include "app/cameras/lunet/LunetSdkPageSelCameras.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/core/IConnectedCameras.h"
#include "lunet/LunetIds.h"
#include "platform/PrivateProfile.h"
#include "platform/com/ClassRegistry.h"

#include <memory>
#include <new>
#include <set>

namespace {

constexpr const char* kSdkName = "BRANTEL_SDK2.0";
constexpr const char* kUsedKey = "USED";
constexpr unsigned long kLunetFacility = 0x103;

tarsel::cameras::FamilySingleton<CLunetSDK_Wr>& family() {
  static tarsel::cameras::FamilySingleton<CLunetSDK_Wr> instance;
  return instance;
}

} // namespace

CLunetSDK_Wr::CLunetSDK_Wr() : m_facility(kLunetFacility) {}

CLunetSDK_Wr::~CLunetSDK_Wr() = default;

const char* CLunetSDK_Wr::GetSdkName() {
  return kSdkName;
}

int CLunetSDK_Wr::GetCameraCount() {
  return m_usedText.empty() ? 0 : 1;
}

std::string CLunetSDK_Wr::UseFlagFile() {
  return tarsel::cameras::FamilyDataFolder(GetSettings()) + kSdkName;
}

const char* CLunetSDK_Wr::IsEnabled() {
  m_usedText.clear();
  std::string file;
  try {
    file = UseFlagFile();
  } catch (...) {
    // Without a data folder there is no use flag: the family is off.
    return nullptr;
  }
  if (GetPrivateProfileIntA(kSdkName, kUsedKey, 0, file.c_str()) == 0)
    return nullptr;
  m_usedText = kUsedKey;
  return m_usedText.c_str();
}

int CLunetSDK_Wr::EnumerateCameras(HWND, IConnectedCameras* list) {
  if (!list || GetCameraCount() == 0)
    return 0;
  std::unique_ptr<ICameraHiLevel> camera(MakeCamera());
  if (!camera)
    return 0;
  // While a window holds the family's camera, a camera that has left is not
  // listed: its window shows it disconnected, as a camera of the other
  // families that left, rather than failing to take it over. At the start
  // (no window yet) the camera is listed as always, there or not.
  if (auto* lunet = dynamic_cast<CLunetWr*>(camera.get()); lunet && CLunetWr::AnyCameraHosted()) {
    if (!lunet->FindsCamera())
      return 0;
  }
  list->Add(camera.get());
  camera.release();
  return 1;
}

ICameraHiLevel* CLunetSDK_Wr::MakeCamera() {
  return new CLunetWr();
}

HRESULT CLunetSDK_Wr::CreateSettingsPage(ISdkPropertyPage** page) {
  return tarsel::cameras::HandOutSettingsPage(page, [this]() -> ISdkPropertyPage* {
    // Without the control registered on this computer there is no page.
    if (!tarsel::com::findClass(tarsel::lunet::CLSID_LunetCtrl))
      return nullptr;
    return new CLunetSdkPageSelCameras(this);
  });
}

ITarselSettings* CLunetSDK_Wr::GetSettings() {
  return family().Settings();
}

const char* CLunetSDK_Wr::GetCameraModelList() {
  m_modelList.clear();
  std::set<std::string> listed;
  const auto add = [&](const std::string& name) {
    if (name.empty() || !listed.insert(name).second)
      return;
    m_modelList += name;
    m_modelList += '\0';
  };
  for (const tarsel::lunet::LunetModel* row = tarsel::lunet::LunetModelTable();
       row->modelName || row->cameraType; ++row)
    add(row->modelName ? row->modelName : "");
  // The camera of a type the table does not know, by its display name.
  try {
    add(tarsel::lunet::ExtraCameraName(tarsel::cameras::FamilyDataFolder(GetSettings())));
  } catch (...) {
    // Without a data folder there is no extra camera.
  }
  if (m_modelList.empty())
    return nullptr;
  m_modelList += '\0';
  return m_modelList.c_str();
}

void CLunetSDK_Wr::SaveCameraSelection(const char* models) {
  const bool on = models && *models;
  WritePrivateProfileStringA(kSdkName, kUsedKey, on ? "1" : "0", UseFlagFile().c_str());
}

void CLunetSDK_Wr::GetDiagnosticText(std::string* out, bool withHeader) {
  if (!out)
    return;
  *out = withHeader ? "SDK: 2.0\r\n" : "";
}

IBaseSDK_Wr* GetLunetSdkWrapper(ITarselSettings* settings) {
  return family().Get(settings);
}

void ReleaseLunetSdkWrapper() {
  family().Release();
}
