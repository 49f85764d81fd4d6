// A stand-in for the driver installation library: answers that the driver
// is registered, or (built with STUB_WITHOUT_REGISTRATION) lacks the answer.
#ifndef STUB_WITHOUT_REGISTRATION
extern "C" __attribute__((visibility("default"))) int IsBrantelVeskRegisterd() {
  return 1;
}
#else
extern "C" __attribute__((visibility("default"))) int UpdateCameras() {
  return 0;
}
#endif
