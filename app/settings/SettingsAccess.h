// Opening one settings object of the application's settings factory for the
// length of a block: a null holder when there is no factory or it cannot
// open the object (the caller then keeps its defaults).
#pragma once

#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselPersistentParams.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

namespace tarsel::settings {

inline CRefPtr<ITarselConfigSettings> OpenUserSettings(ITarselSettings* factory, bool readOnly) {
  CRefPtr<ITarselConfigSettings> holder;
  ITarselConfigSettings* opened = nullptr;
  if (factory && factory->GetUserSettings(&opened, readOnly) == 0 && opened)
    holder.Attach(opened);
  return holder;
}

inline CRefPtr<ITarselPersistentParams> OpenPersistentParams(ITarselSettings* factory, bool readOnly) {
  CRefPtr<ITarselPersistentParams> holder;
  ITarselPersistentParams* opened = nullptr;
  if (factory && factory->GetPersistentParams(&opened, readOnly) == 0 && opened)
    holder.Attach(opened);
  return holder;
}

// The settings of the camera family kept under `sdkName`.
inline CRefPtr<ICamSdkSettings> OpenSdkSettings(ITarselSettings* factory, const char* sdkName,
                                                bool readOnly) {
  CRefPtr<ICamSdkSettings> holder;
  ICamSdkSettings* opened = nullptr;
  if (factory && factory->GetSdkSettings(sdkName, &opened, readOnly) == 0 && opened)
    holder.Attach(opened);
  return holder;
}

} // namespace tarsel::settings
