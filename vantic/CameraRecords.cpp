#include "vantic/CameraRecords.h"

#include "vantic/ApiSupport.h"

#include <cstring>

namespace tarsel::vantic {

using api::halfAt;
using api::wordAt;

void decodePictureInfoTag(std::span<const std::uint8_t, kPictureInfoTagSize> bytes, CamPictureInfoTag& tag) {
  for (int i = 0; i < 5; ++i)
    tag.head[i] = wordAt(bytes, static_cast<std::size_t>(i) * 4);
  std::memcpy(tag.text, bytes.data() + 20, sizeof(tag.text));
  for (int i = 0; i < 9; ++i)
    tag.tail[i] = wordAt(bytes, 40 + static_cast<std::size_t>(i) * 4);
}

void decodeFolderInfo(std::span<const std::uint8_t, kFolderInfoSize> bytes, CamFolderInfo& info) {
  std::memcpy(info.name, bytes.data(), sizeof(info.name));
  info.zero = 0;
  info.word8 = wordAt(bytes, 8);
  info.word12 = wordAt(bytes, 12);
}

void decodeMemoryInfo(std::span<const std::uint8_t, kMemoryInfoSize> bytes, CamMemoryInfo& memory) {
  memory.cardType = wordAt(bytes, 0);
  std::memcpy(memory.text1, bytes.data() + 4, sizeof(memory.text1));
  std::memcpy(memory.text2, bytes.data() + 36, sizeof(memory.text2));
  for (int i = 0; i < 5; ++i)
    memory.words[i] = wordAt(bytes, 68 + static_cast<std::size_t>(i) * 4);
}

void decodeOpfInfo(std::span<const std::uint8_t, kOpfInfoSize> bytes, CamOpfInfo& opf) {
  std::memcpy(opf.bytes12, bytes.data(), sizeof(opf.bytes12));
  std::memcpy(opf.bytes8, bytes.data() + 12, sizeof(opf.bytes8));
  for (int i = 0; i < 3; ++i)
    opf.values[i] = halfAt(bytes, 20 + static_cast<std::size_t>(i) * 2);
  std::memcpy(opf.bytes40, bytes.data() + 26, sizeof(opf.bytes40));
  opf.word = wordAt(bytes, 66);
  opf.last = halfAt(bytes, 70);
}

AudioRecord decodeAudioRecord(std::span<const std::uint8_t, kAudioRecordSize> bytes) {
  AudioRecord record;
  record.decodedSize = static_cast<std::uint32_t>(wordAt(bytes, 0));
  record.storedSize = static_cast<std::uint32_t>(wordAt(bytes, 4));
  record.format = static_cast<std::uint32_t>(wordAt(bytes, 8));
  return record;
}

void moveJpegToStart(std::uint8_t* bytes, std::size_t received) {
  if (received < 2 || bytes[0] == 0xFF || bytes[1] == 0xD8)
    return;
  for (std::size_t i = 0; i + 1 < received; ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xD8) {
      std::memmove(bytes, bytes + i, received - i);
      return;
    }
  }
}

} // namespace tarsel::vantic
