#include "app/cameras/vesk/VeskSdkLibraryCalls.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"

void BindVeskLibrary() {
  VeskInitControl();
}

void UnbindVeskLibrary() {
  FreeVeskDll();
}

int CountVeskCameras() {
  return VeskGetPropCameraCount();
}

ICameraHiLevel* MakeVeskCamera(int index) {
  return new CVeskDllWr(index);
}
