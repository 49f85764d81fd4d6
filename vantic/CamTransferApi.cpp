// Exported data transfers: picture, thumbnail and audio downloads into
// bounded buffers or files, and uploads.
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/AudioDecoder.h"
#include "vantic/CameraRecords.h"
#include "vantic/ExportCall.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

using namespace tarsel::vantic;
using namespace tarsel::vantic::api;

namespace {

constexpr int kPictureSelect = 4;
constexpr int kAudioRecordRegister = 43;
constexpr int kAudioDataRegister = 44;

CameraOperations& ops() {
  return camera().operations();
}

// A sink that copies into the caller's buffer and refuses to go past it.
CameraOperations::DataSink bufferSink(std::uint8_t* buffer, std::size_t capacity, std::size_t& received) {
  received = 0;
  return [buffer, capacity, &received](std::span<const std::uint8_t> bytes) {
    if (bytes.size() > capacity - received)
      return static_cast<int>(CAM_BAD_RESPONSE);
    std::memcpy(buffer + received, bytes.data(), bytes.size());
    received += bytes.size();
    return static_cast<int>(CAM_OK);
  };
}

// A download that ended cleanly but brought fewer (or more) bytes than the
// camera announced left stale or missing bytes behind: not a success.
int checkComplete(int rc, std::uint64_t received, std::uint64_t announced) {
  if (rc != CAM_OK)
    return rc;
  if (received != announced)
    return refuse(CAM_BAD_RESPONSE);
  return CAM_OK;
}

int selectPicture(int picture) {
  return select(kPictureSelect, picture);
}

// The size of the selected picture's object: a code or kReopened, with
// 18 for an empty object and 1 for one larger than the caller's buffer.
int objectSize(int sizeReg, std::size_t capacity, std::uint32_t& size) {
  const int rc = ops().readChecked(sizeReg, true, size);
  if (rc != CAM_OK)
    return rc;
  if (size == 0)
    return refuse(CAM_ZERO_SIZE);
  if (size > capacity)
    return refuse(CAM_INVALID_PARAMETER);
  return CAM_OK;
}

int downloadToBuffer(void* buffer, int capacity, int picture, int sizeReg, int dataReg,
                     std::size_t& received) {
  if (!buffer || capacity <= 0)
    return refuse(CAM_INVALID_PARAMETER);
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  const auto room = static_cast<std::size_t>(capacity);
  return repeatFromSelection([&] {
    if (const int selected = selectPicture(picture); selected != CAM_OK)
      return selected;
    std::uint32_t size = 0;
    if (const int rc = objectSize(sizeReg, room, size); rc != CAM_OK)
      return rc;
    const int rc = ops().download(dataReg, bufferSink(bytes, room, received), size, 0);
    return checkComplete(rc, received, size);
  });
}

int downloadToFile(int fd, int picture, int sizeReg, int dataReg) {
  if (fd < 0)
    return refuse(CAM_INVALID_PARAMETER);
  const off_t base = ::lseek(fd, 0, SEEK_CUR);
  std::uint64_t written = 0;
  int attempt = 0;
  const int rc = repeatFromSelection([&] {
    if (attempt++ > 0) {
      // Start over at the file's start: a re-opened session sends it all again.
      if (base < 0 || ::lseek(fd, base, SEEK_SET) != base)
        return refuse(CAM_WRITE_FILE);
    }
    if (const int selected = selectPicture(picture); selected != CAM_OK)
      return selected;
    std::uint32_t size = 0;
    if (const int sized = objectSize(sizeReg, UINT32_MAX, size); sized != CAM_OK)
      return sized;
    written = 0;
    const CameraOperations::DataSink sink = [&](std::span<const std::uint8_t> bytes) {
      std::size_t done = 0;
      while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
          continue;
        if (n <= 0)
          return static_cast<int>(CAM_WRITE_FILE);
        done += static_cast<std::size_t>(n);
      }
      written += done;
      return static_cast<int>(CAM_OK);
    };
    const int downloaded = ops().download(dataReg, sink, size, 0);
    return checkComplete(downloaded, written, size);
  });
  // No stale tail of an earlier, longer attempt stays behind.
  if (rc == CAM_OK && base >= 0 && attempt > 1)
    (void)!::ftruncate(fd, base + static_cast<off_t>(written));
  return rc;
}

// Reads the selected picture's audio record (guarded).
int readAudioRecord(AudioRecord& record) {
  std::uint8_t bytes[kAudioRecordSize];
  const int rc = ops().readStructure(kAudioRecordRegister, bytes, true);
  if (rc != CAM_OK)
    return rc;
  record = decodeAudioRecord(bytes);
  return CAM_OK;
}

int decodeIfCompressed(const AudioRecord& record, std::uint8_t* buffer, std::size_t capacity,
                       std::size_t received) {
  if (record.format != 0)
    return CAM_OK;
  if (!AudioDecoder::decodeInPlace(buffer, capacity, record.decodedSize, received))
    return refuse(CAM_BAD_RESPONSE);
  return CAM_OK;
}

int upload(int reg, std::span<const std::uint8_t> bytes) {
  return ops().writeObject(reg, bytes);
}

int loadFirmware(int fd) {
  const off_t size = fd < 0 ? -1 : ::lseek(fd, 0, SEEK_END);
  if (size < 0 || size > 0x200000)
    return refuse(CAM_INVALID_PARAMETER);
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::pread(fd, data.data() + got, data.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return refuse(CAM_OTHER);
    got += static_cast<std::size_t>(n);
  }
  return upload(29, data);
}

} // namespace

extern "C" {

int Cam_get_picture_buffer(void* buffer, int picture, int capacity) {
  return exportCall([&] {
    std::size_t received = 0;
    return downloadToBuffer(buffer, capacity, picture, 12, 14, received);
  });
}

int Cam_get_thumbnail_buffer(void* buffer, int picture, int capacity) {
  return exportCall([&] {
    std::size_t received = 0;
    const int rc = downloadToBuffer(buffer, capacity, picture, 13, 15, received);
    const SessionState& state = camera().state();
    if (rc != CAM_OK || !state.isUsb() || state.usb.vendorId != 0x04B8 || received < 2)
      return rc;
    // Some cameras put bytes in front of the JPEG: move it to the start,
    // looking no further than what arrived.
    moveJpegToStart(static_cast<std::uint8_t*>(buffer), received);
    return rc;
  });
}

int Cam_get_picture_file(int fd, int picture) {
  return exportCall([&] { return downloadToFile(fd, picture, 12, 14); });
}

int Cam_get_thumbnail_file(int fd, int picture) {
  return exportCall([&] { return downloadToFile(fd, picture, 13, 15); });
}

int Cam_get_audio_size(int picture) {
  return exportCall(
      [&] {
        AudioRecord record;
        const int rc = repeatFromSelection([&] {
          if (selectPicture(picture) != CAM_OK)
            return -1;
          return readAudioRecord(record);
        });
        if (rc == -1)
          return -1;
        return rc == CAM_OK ? static_cast<int>(record.decodedSize) : 0;
      },
      -1);
}

int Cam_get_audio_buffer(void* buffer, int picture, int capacity) {
  return exportCall([&] {
    if (!buffer || capacity <= 0)
      return refuse(CAM_INVALID_PARAMETER);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const auto room = static_cast<std::size_t>(capacity);
    AudioRecord record;
    std::size_t received = 0;
    const int rc = repeatFromSelection([&] {
      if (const int selected = selectPicture(picture); selected != CAM_OK)
        return selected;
      if (const int read = readAudioRecord(record); read != CAM_OK)
        return read;
      if (record.storedSize == 0)
        return refuse(CAM_ZERO_SIZE);
      if (record.storedSize > room)
        return refuse(CAM_INVALID_PARAMETER);
      const int downloaded =
          ops().download(kAudioDataRegister, bufferSink(bytes, room, received), record.storedSize, 0);
      return checkComplete(downloaded, received, record.storedSize);
    });
    if (rc != CAM_OK)
      return rc;
    return decodeIfCompressed(record, bytes, room, received);
  });
}

int Cam_get_picture_audio_buffer(void* pictureBuffer, void* audioBuffer, int picture, int pictureCapacity,
                                 int audioCapacity) {
  return exportCall([&] {
    if (!pictureBuffer || pictureCapacity <= 0 || audioCapacity < 0 || (!audioBuffer && audioCapacity > 0))
      return refuse(CAM_INVALID_PARAMETER);
    auto* pictureBytes = static_cast<std::uint8_t*>(pictureBuffer);
    auto* audioBytes = static_cast<std::uint8_t*>(audioBuffer);
    const auto pictureRoom = static_cast<std::size_t>(pictureCapacity);
    const auto audioRoom = static_cast<std::size_t>(audioCapacity);
    AudioRecord record;
    std::size_t pictureReceived = 0;
    std::size_t audioReceived = 0;
    const int rc = repeatFromSelection([&] {
      if (const int selected = selectPicture(picture); selected != CAM_OK)
        return selected;
      std::uint32_t pictureSize = 0;
      if (const int sized = objectSize(12, pictureRoom, pictureSize); sized != CAM_OK)
        return sized;
      if (const int read = readAudioRecord(record); read != CAM_OK)
        return read;
      if (record.storedSize > audioRoom)
        return refuse(CAM_INVALID_PARAMETER);
      // Progress runs over picture and audio together, without going back.
      const std::uint64_t total = static_cast<std::uint64_t>(pictureSize) + record.storedSize;
      const int got = ops().download(14, bufferSink(pictureBytes, pictureRoom, pictureReceived), total, 0,
                                     record.storedSize == 0);
      if (const int whole = checkComplete(got, pictureReceived, pictureSize);
          whole != CAM_OK || record.storedSize == 0)
        return whole;
      const int heard = ops().download(kAudioDataRegister, bufferSink(audioBytes, audioRoom, audioReceived),
                                       total, static_cast<std::uint64_t>(pictureSize) * 25600 / total);
      return checkComplete(heard, audioReceived, record.storedSize);
    });
    if (rc != CAM_OK || record.storedSize == 0)
      return rc;
    return decodeIfCompressed(record, audioBytes, audioRoom, audioReceived);
  });
}

int Cam_get_raw_file(int, int) {
  return 0;
}

int Cam_load_firmware(int fd) {
  return exportCall([&] { return loadFirmware(fd); });
}

int Cam_load_file_data(int fd, int value) {
  return exportCall([&] {
    if (const int rc = setRegister(32, static_cast<std::uint32_t>(value)); rc != CAM_OK)
      return rc;
    return loadFirmware(fd);
  });
}

int Cam_load_picture_data(const void* bytes, int length) {
  return exportCall([&] {
    if (length < 0 || length > 0xA00000 || (!bytes && length > 0))
      return refuse(CAM_INVALID_PARAMETER);
    if (const int rc = setRegister(32, 0x0FEC000Eu); rc != CAM_OK)
      return rc;
    return upload(29, std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes),
                                                    static_cast<std::size_t>(length)));
  });
}

int Cam_load_opf_data(const void* bytes, int length) {
  return exportCall([&] {
    if (length < 0 || length > 0x200000 || (!bytes && length > 0))
      return refuse(CAM_INVALID_PARAMETER);
    return upload(58, std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes),
                                                    static_cast<std::size_t>(length)));
  });
}

} // extern "C"
