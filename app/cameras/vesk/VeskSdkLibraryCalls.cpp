#include "app/cameras/vesk/VeskSdkLibraryCalls.h"

#include "env/BrantelTakeError.h"

void BindVeskLibrary() {}

void UnbindVeskLibrary() {}

int CountVeskCameras() {
  return 0;
}

ICameraHiLevel* MakeVeskCamera(int) {
  throw _brantel_take_error(static_cast<HRESULT>(0x81041000u));
}
