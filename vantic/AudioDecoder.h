// The camera's compressed audio, expanded in place: a 44-byte header
// followed by n 4-bit step-adaptive code pairs becomes the header followed by
// 2n unsigned 8-bit samples. Every size comes from the camera, so each is
// checked against the buffer and the bytes actually received before a byte
// moves. Pure function; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarsel::vantic {

class AudioDecoder {
public:
  static constexpr std::size_t kHeaderSize = 44;

  // Decodes the buffer in place for the given decoded size (header included).
  // False, with the buffer untouched, when the decoded size is below the
  // header, exceeds the capacity, or needs more compressed bytes than the
  // `received` bytes hold.
  static bool decodeInPlace(std::uint8_t* buffer, std::size_t capacity, std::uint32_t decodedSize,
                            std::size_t received);
};

} // namespace tarsel::vantic
