// A Canon SDK library that starts but refuses its function table with
// "incompatible version" (6), and counts how often it was finished.
#include "app/cameras/canon/CdSdkAbi.h"

#define STUB_EXPORT __attribute__((visibility("default")))

extern "C" {
STUB_EXPORT int stub_finish_calls = 0;
STUB_EXPORT std::uint32_t CDStartSDK(const tarsel::cdsdk::VersionRecord*, std::uint32_t) {
  return 0;
}
STUB_EXPORT std::uint32_t CDGetFunctions(CanonSdkFunctionTable*) {
  return tarsel::cdsdk::kErrIncompatibleVersion;
}
STUB_EXPORT std::uint32_t CDFinishSDK() {
  ++stub_finish_calls;
  return 0;
}
}
