// The Canon family's SDK object and its accessor, in the least form the
// frame needs until the family itself exists: no Canon SDK is loaded, the
// family is never enabled and finds no camera.
//
// Threads: any thread may call the accessor and the release function; both
// run under the family's lock. Failure: the accessor throws
// _brantel_take_error(8) when the object cannot be made; the release
// function never throws.
#pragma once

#include "app/cameras/common/AbsentSdkWrapper.h"

class CanonCDSDK_Wr : public CAbsentSdk_Wr {
public:
  CanonCDSDK_Wr();
};

// Keeps `settings` (one reference; the one kept before is released) when it
// is not null, makes the singleton on first call and returns it.
IBaseSDK_Wr* GetCanonCDSdkWrapper(ITarselSettings* settings);
// Deletes the singleton, then releases the kept settings object.
void ReleaseCanonCDSdkWrapper();
