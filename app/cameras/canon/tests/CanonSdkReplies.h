// The Canon family's reading of what the Canon SDK answers, as two fuzz
// targets share it: one input runs one camera session against the fake SDK
// (FakeCanonSdk.h). The input opens with a script: a byte whose value modulo
// 9 gives the number of operations that follow (the quotient picks the
// source), each a byte, run after the camera's first initialisation
// (identity and remote-release mode); the rest is the SDK's replies, read as
// the calls come. Operations, by byte modulo 10: none (0: detection runs
// once at the start of its own target), capture and transfer, the volumes'
// media, picture count and free space, the clock, zoom, the other property
// reads, a camera event, discovery, the owner text, the identity; detection's
// target runs only zoom and the property reads. A broken check ends the
// program (abort).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarsel::canon::fuzz {

enum class CanonRepliesFocus {
  // Every operation but capability detection.
  Session,
  // Capability detection once after the start, then the reads that use the
  // tables it built (zoom, properties).
  Detection,
};

void RunCanonSdkReplies(const std::uint8_t* data, std::size_t size, CanonRepliesFocus focus);

} // namespace tarsel::canon::fuzz
