// Fuzz target of the Canon family's capability detection against SDK
// replies from the input, and of the reads that use the tables it built
// (CanonSdkReplies.h).
#include "app/cameras/canon/tests/CanonSdkReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarsel::canon::fuzz::RunCanonSdkReplies(data, size, tarsel::canon::fuzz::CanonRepliesFocus::Detection);
  return 0;
}
