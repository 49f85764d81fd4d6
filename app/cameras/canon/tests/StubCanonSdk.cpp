// A Canon SDK library that starts but refuses its function table with
// "incompatible version" (6), and counts how often it was finished.
#include "app/cameras/canon/CdSdkAbi.h"

extern "C" {

__attribute__((visibility("default"))) int stub_finish_calls = 0;

__attribute__((visibility("default"))) std::uint32_t CDStartSDK(const tarsel::cdsdk::VersionRecord*,
                                                                std::uint32_t) {
  return 0;
}

__attribute__((visibility("default"))) std::uint32_t CDGetFunctions(CanonSdkFunctionTable*) {
  return tarsel::cdsdk::kErrIncompatibleVersion;
}

__attribute__((visibility("default"))) std::uint32_t CDFinishSDK() {
  ++stub_finish_calls;
  return 0;
}
}
