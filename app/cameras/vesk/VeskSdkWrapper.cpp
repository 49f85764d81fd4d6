#include "app/cameras/vesk/VeskSdkWrapper.h"

#include "app/cameras/common/FamilySingleton.h"

namespace {

tarsel::cameras::FamilySingleton<CVeskSDK_Wr>& family() {
  static tarsel::cameras::FamilySingleton<CVeskSDK_Wr> instance;
  return instance;
}

ITarselSettings* keptSettings() {
  return family().Settings();
}

} // namespace

CVeskSDK_Wr::CVeskSDK_Wr() : CAbsentSdk_Wr("BRANTEL_SDK3.4", "SDK: 3.x\r\n", keptSettings) {}

CVeskSDK_Wr* GetVeskSdkWrapper(ITarselSettings* settings) {
  return family().Get(settings);
}

void ReleaseVeskSdkWrapper() {
  family().Release();
}
