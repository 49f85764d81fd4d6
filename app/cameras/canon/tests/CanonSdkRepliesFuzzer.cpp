// Fuzz target of the Canon family's camera session against SDK replies from
// the input: capture and transfer, volumes, clock, zoom, properties, events,
// discovery, owner text (CanonSdkReplies.h).
#include "app/cameras/canon/tests/CanonSdkReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarsel::canon::fuzz::RunCanonSdkReplies(data, size, tarsel::canon::fuzz::CanonRepliesFocus::Session);
  return 0;
}
