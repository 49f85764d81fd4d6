// The camera's fixed-size reply structures decoded into the exported
// records (little-endian words to host integers, texts copied as bytes), and
// the thumbnail clean-up of the bytes a camera put in front of its JPEG.
// Pure functions over bytes the camera sent; any thread.
#pragma once

#include "vantic/Vantic.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarsel::vantic {

inline constexpr std::size_t kPictureInfoTagSize = 76;
inline constexpr std::size_t kFolderInfoSize = 16;
inline constexpr std::size_t kMemoryInfoSize = 88;
inline constexpr std::size_t kOpfInfoSize = 72;
inline constexpr std::size_t kAudioRecordSize = 32;

void decodePictureInfoTag(std::span<const std::uint8_t, kPictureInfoTagSize> bytes, CamPictureInfoTag& tag);
void decodeFolderInfo(std::span<const std::uint8_t, kFolderInfoSize> bytes, CamFolderInfo& info);
void decodeMemoryInfo(std::span<const std::uint8_t, kMemoryInfoSize> bytes, CamMemoryInfo& memory);
void decodeOpfInfo(std::span<const std::uint8_t, kOpfInfoSize> bytes, CamOpfInfo& opf);

// A picture's audio record: the sizes of the sound decoded and as stored,
// and its format (0: compressed).
struct AudioRecord {
  std::uint32_t decodedSize = 0;
  std::uint32_t storedSize = 0;
  std::uint32_t format = 0;
};

AudioRecord decodeAudioRecord(std::span<const std::uint8_t, kAudioRecordSize> bytes);

// When the `received` bytes do not start a JPEG (FF D8), moves the first
// FF D8 found in them, and what follows, to the start; looks no further.
void moveJpegToStart(std::uint8_t* bytes, std::size_t received);

} // namespace tarsel::vantic
