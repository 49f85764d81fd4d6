#include "app/cameras/canon/CanonCDSdkWrapper.h"

#include "app/cameras/common/FamilySingleton.h"

namespace {

tarsel::cameras::FamilySingleton<CanonCDSDK_Wr>& family() {
  static tarsel::cameras::FamilySingleton<CanonCDSDK_Wr> instance;
  return instance;
}

ITarselSettings* keptSettings() {
  return family().Settings();
}

} // namespace

CanonCDSDK_Wr::CanonCDSDK_Wr() : CAbsentSdk_Wr("CANON_CD", "SDK: CanonCD\r\n", keptSettings) {}

IBaseSDK_Wr* GetCanonCDSdkWrapper(ITarselSettings* settings) {
  return family().Get(settings);
}

void ReleaseCanonCDSdkWrapper() {
  family().Release();
}
