#include "vantic/AudioDecoder.h"

#include <cstring>

namespace tarsel::vantic {

namespace {

struct Decoder {
  int step = 2;
  int sample = 0;

  std::uint8_t next(int nibble) {
    const bool negative = nibble >= 8;
    const int magnitude = negative ? 16 - nibble : nibble;
    const int s = step;
    int delta = 0;
    int newStep = s;
    switch (magnitude) {
    case 0:
      delta = 0;
      newStep = (3 * s) >> 2;
      break;
    case 1:
      delta = s;
      newStep = (3 * s) >> 2;
      break;
    case 2:
      delta = 2 * s;
      break;
    case 3:
      delta = 3 * s;
      break;
    case 4:
      delta = 4 * s;
      break;
    case 5:
      delta = 5 * s + (s >> 1);
      newStep = s + (s >> 2);
      break;
    case 6:
      delta = (15 * s) >> 1;
      newStep = 2 * s;
      break;
    case 7:
      delta = negative ? 9 * s + (s >> 1) : 10 * s + (s >> 1);
      newStep = 2 * s + (s >> 1);
      break;
    default: // 8, negative only
      delta = 12 * s + (s >> 1);
      newStep = 5 * s;
      break;
    }
    sample += negative ? -delta : delta;
    if (sample < -512)
      sample = -512;
    if (sample > 511)
      sample = 511;
    step = newStep < 1 ? 1 : (newStep > 48 ? 48 : newStep);
    return static_cast<std::uint8_t>((sample >> 2) + 128);
  }
};

} // namespace

bool AudioDecoder::decodeInPlace(std::uint8_t* buffer, std::size_t capacity, std::uint32_t decodedSize,
                                 std::size_t received) {
  if (!buffer || decodedSize < kHeaderSize || decodedSize > capacity || received > capacity)
    return false;
  const std::size_t n = (decodedSize - kHeaderSize) / 2;
  if (kHeaderSize + n > received)
    return false;
  std::uint8_t* data = buffer + kHeaderSize;
  // Move the codes up by n, then write the samples from the start: sample
  // pair i lands at 2i, 2i+1, never past code i+1 still to be read.
  std::memmove(data + n, data, n);
  Decoder decoder;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t code = data[n + i];
    data[2 * i] = decoder.next(code >> 4);
    data[2 * i + 1] = decoder.next(code & 0x0F);
  }
  return true;
}

} // namespace tarsel::vantic
