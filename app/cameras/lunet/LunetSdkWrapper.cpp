#include "app/cameras/lunet/LunetSdkWrapper.h"

#include "app/cameras/common/FamilySingleton.h"

namespace {

tarsel::cameras::FamilySingleton<CLunetSDK_Wr>& family() {
  static tarsel::cameras::FamilySingleton<CLunetSDK_Wr> instance;
  return instance;
}

ITarselSettings* keptSettings() {
  return family().Settings();
}

} // namespace

CLunetSDK_Wr::CLunetSDK_Wr() : CAbsentSdk_Wr("BRANTEL_SDK2.0", "SDK: 2.0\r\n", keptSettings) {}

IBaseSDK_Wr* GetLunetSdkWrapper(ITarselSettings* settings) {
  return family().Get(settings);
}

void ReleaseLunetSdkWrapper() {
  family().Release();
}
