// Fuzz target of the camera's reply structures: any bytes as a picture tag,
// folder, memory and print-order record (cut or padded with zeros to the
// record's size), as a picture's audio record followed by its sound, and as
// a thumbnail that may have bytes in front of its JPEG. Each record must
// give back its bytes when encoded again; the audio expansion must leave the
// buffer untouched when it refuses and never write past it; the thumbnail
// must end up as the input from its first JPEG start, or be left as it is.
#include "platform/Bytes.h"
#include "vantic/AudioDecoder.h"
#include "vantic/CameraRecords.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace {

using namespace tarsel::vantic;
using tarsel::bytes::storeLe16;
using tarsel::bytes::storeLe32;

// The record's wire bytes: the input's first Size bytes, zeros after them.
template <std::size_t Size> std::array<std::uint8_t, Size> wire(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, Size> bytes{};
  std::copy_n(data, std::min(size, Size), bytes.begin());
  return bytes;
}

template <std::size_t Size>
void expectSame(const std::array<std::uint8_t, Size>& a, const std::array<std::uint8_t, Size>& b) {
  if (a != b)
    std::abort();
}

void words(std::span<std::uint8_t> out, std::size_t offset, const std::int32_t* values, int count) {
  for (int i = 0; i < count; ++i)
    storeLe32(out, offset + static_cast<std::size_t>(i) * 4, static_cast<std::uint32_t>(values[i]));
}

void records(const std::uint8_t* data, std::size_t size) {
  const auto tagBytes = wire<kPictureInfoTagSize>(data, size);
  CamPictureInfoTag tag{};
  decodePictureInfoTag(tagBytes, tag);
  std::array<std::uint8_t, kPictureInfoTagSize> tagAgain{};
  words(tagAgain, 0, tag.head, 5);
  std::memcpy(tagAgain.data() + 20, tag.text, sizeof tag.text);
  words(tagAgain, 40, tag.tail, 9);
  expectSame(tagBytes, tagAgain);

  const auto folderBytes = wire<kFolderInfoSize>(data, size);
  CamFolderInfo folder{};
  folder.zero = -1;
  decodeFolderInfo(folderBytes, folder);
  std::array<std::uint8_t, kFolderInfoSize> folderAgain{};
  std::memcpy(folderAgain.data(), folder.name, sizeof folder.name);
  storeLe32(folderAgain, 8, static_cast<std::uint32_t>(folder.word8));
  storeLe32(folderAgain, 12, static_cast<std::uint32_t>(folder.word12));
  if (folder.zero != 0)
    std::abort();
  expectSame(folderBytes, folderAgain);

  const auto memoryBytes = wire<kMemoryInfoSize>(data, size);
  CamMemoryInfo memory{};
  decodeMemoryInfo(memoryBytes, memory);
  std::array<std::uint8_t, kMemoryInfoSize> memoryAgain{};
  storeLe32(memoryAgain, 0, static_cast<std::uint32_t>(memory.cardType));
  std::memcpy(memoryAgain.data() + 4, memory.text1, sizeof memory.text1);
  std::memcpy(memoryAgain.data() + 36, memory.text2, sizeof memory.text2);
  words(memoryAgain, 68, memory.words, 5);
  expectSame(memoryBytes, memoryAgain);

  const auto opfBytes = wire<kOpfInfoSize>(data, size);
  CamOpfInfo opf{};
  decodeOpfInfo(opfBytes, opf);
  std::array<std::uint8_t, kOpfInfoSize> opfAgain{};
  std::memcpy(opfAgain.data(), opf.bytes12, sizeof opf.bytes12);
  std::memcpy(opfAgain.data() + 12, opf.bytes8, sizeof opf.bytes8);
  for (int i = 0; i < 3; ++i)
    storeLe16(opfAgain, 20 + static_cast<std::size_t>(i) * 2, static_cast<std::uint16_t>(opf.values[i]));
  std::memcpy(opfAgain.data() + 26, opf.bytes40, sizeof opf.bytes40);
  storeLe32(opfAgain, 66, static_cast<std::uint32_t>(opf.word));
  storeLe16(opfAgain, 70, static_cast<std::uint16_t>(opf.last));
  expectSame(opfBytes, opfAgain);
}

// The audio record, then the sound as received, in a buffer whose capacity
// the record's last word picks (at most 64 KiB), exactly that large.
void audio(const std::uint8_t* data, std::size_t size) {
  const auto recordBytes = wire<kAudioRecordSize>(data, size);
  const AudioRecord record = decodeAudioRecord(recordBytes);
  const std::size_t sent = size > kAudioRecordSize ? size - kAudioRecordSize : 0;
  const std::size_t capacity =
      std::max<std::size_t>(sent, tarsel::bytes::loadLe16(std::span<const std::uint8_t>(recordBytes), 28));
  std::vector<std::uint8_t> buffer(data + size - sent, data + size);
  buffer.resize(capacity);
  const std::vector<std::uint8_t> before = buffer;
  const bool decoded = AudioDecoder::decodeInPlace(buffer.data(), buffer.size(), record.decodedSize, sent);
  if (!decoded && buffer != before)
    std::abort();
  if (decoded && (record.decodedSize > capacity || record.decodedSize < AudioDecoder::kHeaderSize ||
                  !std::equal(before.begin(), before.begin() + AudioDecoder::kHeaderSize, buffer.begin())))
    std::abort();
}

void thumbnail(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  moveJpegToStart(bytes.data(), bytes.size());
  if (bytes == std::vector<std::uint8_t>(data, data + size))
    return;
  const std::uint8_t start[] = {0xFF, 0xD8};
  const auto found = std::search(data, data + size, std::begin(start), std::end(start));
  if (found == data + size || !std::equal(found, data + size, bytes.begin()))
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  records(data, size);
  audio(data, size);
  thumbnail(data, size);
  return 0;
}
