// The camera-link family's SDK object and its accessor, in the least form
// the frame needs until the family itself exists: the family is never
// enabled and finds no camera.
//
// Threads: GetVeskSdkWrapper may be called from any thread; creation, the
// hand-over of the settings object and destruction run under the family's
// lock. Failure: the accessor throws _brantel_take_error(8) when the object
// cannot be made; the release function never throws.
#pragma once

#include "app/cameras/common/AbsentSdkWrapper.h"

class CVeskSDK_Wr : public CAbsentSdk_Wr {
public:
  CVeskSDK_Wr();
};

// Keeps `settings` (one reference; the one kept before is released) when it
// is not null, makes the singleton on first call and returns it.
CVeskSDK_Wr* GetVeskSdkWrapper(ITarselSettings* settings);
// Deletes the singleton and releases the kept settings object.
void ReleaseVeskSdkWrapper();
