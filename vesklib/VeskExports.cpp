// The 84 exports: each runs its manager operation inside one handler that
// turns the library's internal failures into CVeskNVError.
#include "vesklib/VeskDLL.h"

#include "vesklib/CameraObjects.h"
#include "vesklib/ErrorMapping.h"
#include "vesklib/ManagerInstance.h"
#include "vesklib/VeskErrors.h"
#include "vesklib/VeskFault.h"

#include "platform/Bytes.h"

#include <array>
#include <cstring>
#include <initializer_list>

namespace {

using tarsel::vesk::CLinkCameraManager;
using tarsel::vesk::ErrorMapping;
using tarsel::vesk::ManagerInstance;
using tarsel::vesk::VeskFault;
namespace cam = tarsel::vesk::camera;

template <class Work> auto call(Work&& work) {
  const auto manager = ManagerInstance::get();
  if (!manager)
    throw CVeskNVError(ErrorMapping::libraryErrorName(VESK_ERROR_NOT_READY), 0, VESK_ERROR_NOT_READY);
  try {
    return work(*manager);
  } catch (const VeskFault& fault) {
    throw ErrorMapping::toVeskNVError(fault);
  }
}

int getRegister(int camera, std::uint8_t reg) {
  return call([&](CLinkCameraManager& m) { return static_cast<int>(m.readRegister(camera, reg)); });
}

int setRegister(int camera, std::uint8_t reg, int value) {
  return call(
      [&](CLinkCameraManager& m) { return m.writeRegister(camera, reg, static_cast<std::uint32_t>(value)); });
}

template <std::size_t Size> using Record = std::array<std::uint8_t, Size>;

template <std::size_t Size> Record<Size> readRecord(int camera, std::uint8_t object) {
  Record<Size> record{};
  call([&](CLinkCameraManager& m) { return m.readRecord(camera, object, record); });
  return record;
}

int readRecordInto(int camera, std::uint8_t object, void* target, std::size_t size) {
  std::vector<std::uint8_t> record(size, 0);
  const int result = call([&](CLinkCameraManager& m) { return m.readRecord(camera, object, record); });
  if (target)
    std::memcpy(target, record.data(), size);
  return result;
}

int writeRecordFrom(int camera, std::uint8_t object, const void* source, std::size_t size) {
  std::vector<std::uint8_t> record(size, 0);
  if (source)
    std::memcpy(record.data(), source, size);
  return call([&](CLinkCameraManager& m) { return m.writeRecord(camera, object, record); });
}

// Records are arrays of little-endian 32-bit words.
std::uint32_t wordOf(std::span<const std::uint8_t> record, std::size_t index) {
  return tarsel::bytes::loadLe32(record, index * 4);
}

void putWord(std::span<std::uint8_t> record, std::size_t index, std::uint32_t value) {
  tarsel::bytes::storeLe32(record, index * 4, value);
}

// Stores a record word into an optional output.
void out(int* target, std::span<const std::uint8_t> record, std::size_t index) {
  if (target)
    *target = static_cast<int>(wordOf(record, index));
}

// Stores consecutive record words, from word first on, into optional outputs.
void outWords(std::span<const std::uint8_t> record, std::size_t first, std::initializer_list<int*> targets) {
  std::size_t index = first;
  for (int* const target : targets)
    out(target, record, index++);
}

// Fills consecutive record words, from the first, with the given values.
void putWords(std::span<std::uint8_t> record, std::initializer_list<int> values) {
  std::size_t index = 0;
  for (const int value : values)
    putWord(record, index++, static_cast<std::uint32_t>(value));
}

void outText(char* target, std::span<const std::uint8_t> record, std::size_t offset, std::size_t size) {
  if (target)
    std::memcpy(target, record.data() + offset, size);
}

// A value of two words: the value and its divisor 10.
int getTenths(int camera, std::uint8_t object) {
  const auto record = readRecord<8>(camera, object);
  return static_cast<int>(wordOf(record, 0));
}

int setTenths(int camera, std::uint8_t object, int value) {
  Record<8> record{};
  putWord(record, 0, static_cast<std::uint32_t>(value));
  putWord(record, 1, cam::kDivisor);
  return call([&](CLinkCameraManager& m) { return m.writeRecord(camera, object, record); });
}

// Words of the custom-values record that hold values (the others are divisors).
constexpr std::array<std::size_t, 13> kCustomValueWords = {0, 1, 2, 4, 6, 7, 9, 10, 11, 12, 13, 14, 15};
constexpr std::array<std::size_t, 3> kCustomDivisorWords = {3, 5, 8};

} // namespace

extern "C" {

// ---- device and list functions ----

void UseDriveNames(int flag) {
  call([&](CLinkCameraManager& m) {
    m.UseDriveNames(flag != 0);
    return 0;
  });
}

int InitControl() {
  const auto manager = ManagerInstance::get();
  if (!manager)
    return VESK_ERROR_NOT_READY;
  return manager->InitControl();
}

int GetPropCameraCount() {
  return call([](CLinkCameraManager& m) { return m.Enumerate(); });
}

const char* GetPropConnectCamera(int camera) {
  return call([&](CLinkCameraManager& m) { return m.GetModelName(camera); });
}

int CameraReady(int camera) {
  return call([&](CLinkCameraManager& m) { return m.IsReady(camera) ? 1 : 0; });
}

int Connect(int camera) {
  return call([&](CLinkCameraManager& m) { return static_cast<int>(m.Connect(camera)); });
}

int DisConnect(int camera) {
  return call([&](CLinkCameraManager& m) { return m.Close(camera); });
}

// ---- registers ----

int GetPropCameraTime(int camera) {
  return getRegister(camera, cam::kCameraTime);
}
int SetPropCameraTime(int camera, int value) {
  return setRegister(camera, cam::kCameraTime, value);
}
int SetPropCurrentPicture(int camera, int value) {
  return setRegister(camera, cam::kCurrentPicture, value);
}
int GetPropElectricZoom(int camera) {
  return getRegister(camera, cam::kElectricZoom);
}
int SetPropElectricZoom(int camera, int value) {
  return setRegister(camera, cam::kElectricZoom, value);
}
int GetPropFlash(int camera) {
  return getRegister(camera, cam::kFlash);
}
int SetPropFlash(int camera, int value) {
  return setRegister(camera, cam::kFlash, value);
}
int GetPropFocusMode(int camera) {
  return getRegister(camera, cam::kFocusMode);
}
int SetPropFocusMode(int camera, int value) {
  return setRegister(camera, cam::kFocusMode, value);
}
int GetPropFocusPosition(int camera) {
  return getRegister(camera, cam::kFocusPosition);
}
int SetPropFocusPosition(int camera, int value) {
  return setRegister(camera, cam::kFocusPosition, value);
}
int GetPropFolderCount(int camera) {
  return getRegister(camera, cam::kFolderCount);
}
int SetPropFolderNo(int camera, int value) {
  return setRegister(camera, cam::kFolderCount, value);
}
int GetPropIndexSize(int camera) {
  return getRegister(camera, cam::kIndexSize);
}
int GetPropIsoSpeed(int camera) {
  return getRegister(camera, cam::kIsoSpeed);
}
int SetPropIsoSpeed(int camera, int value) {
  return setRegister(camera, cam::kIsoSpeed, value);
}
int GetPropLCDBrightness(int camera) {
  return getRegister(camera, cam::kLcdBrightness);
}
int SetPropLCDBrightness(int camera, int value) {
  return setRegister(camera, cam::kLcdBrightness, value);
}
int GetPropMetering(int camera) {
  return getRegister(camera, cam::kMetering);
}
int SetPropMetering(int camera, int value) {
  return setRegister(camera, cam::kMetering, value);
}
int GetPropPicCount(int camera) {
  return getRegister(camera, cam::kPicCount);
}
int GetPropPicSize(int camera) {
  return getRegister(camera, cam::kPicSize);
}
int GetPropPowerSaveCamera(int camera) {
  return getRegister(camera, cam::kPowerSaveCamera);
}
int SetPropPowerSaveCamera(int camera, int value) {
  return setRegister(camera, cam::kPowerSaveCamera, value);
}
int GetPropPowerSaveHost(int camera) {
  return getRegister(camera, cam::kPowerSaveHost);
}
int SetPropPowerSaveHost(int camera, int value) {
  return setRegister(camera, cam::kPowerSaveHost, value);
}
int GetPropPowerSaveLCD(int camera) {
  return getRegister(camera, cam::kPowerSaveLcd);
}
int SetPropPowerSaveLCD(int camera, int value) {
  return setRegister(camera, cam::kPowerSaveLcd, value);
}
int GetPropProtect(int camera) {
  return getRegister(camera, cam::kProtect);
}
int GetPropResolution(int camera) {
  return getRegister(camera, cam::kResolution);
}
int SetPropResolution(int camera, int value) {
  return setRegister(camera, cam::kResolution, value);
}
int GetPropWhiteBalance(int camera) {
  return getRegister(camera, cam::kWhiteBalance);
}
int SetPropWhiteBalance(int camera, int value) {
  return setRegister(camera, cam::kWhiteBalance, value);
}
int GetRemainCount(int camera) {
  return getRegister(camera, cam::kRemainCount);
}
int SetPropLed(int camera, int value) {
  return setRegister(camera, cam::kLed, value);
}
int GetPropOpticalZoom(int camera) {
  return getTenths(camera, cam::kOpticalZoom);
}
int SetPropOpticalZoom(int camera, int value) {
  return setTenths(camera, cam::kOpticalZoom, value);
}
int GetPropExpoBias(int camera) {
  return getTenths(camera, cam::kExpoBias);
}
int SetPropExpoBias(int camera, int value) {
  return setTenths(camera, cam::kExpoBias, value);
}

// ---- texts ----

const char* GetPropCameraID(int camera) {
  return call([&](CLinkCameraManager& m) { return m.readText(camera, cam::kCameraId); });
}

const char* GetPropFileName(int camera) {
  return call([&](CLinkCameraManager& m) { return m.readText(camera, cam::kFileName); });
}

const char* GetPropFolderName(int camera) {
  return call([&](CLinkCameraManager& m) { return m.readText(camera, cam::kFolderName); });
}

const char* GetFirmwareVersion(int camera) {
  return call([&](CLinkCameraManager& m) { return m.readText(camera, cam::kFirmwareVersion); });
}

int SetPropCameraID(int camera, char* text) {
  return call([&](CLinkCameraManager& m) {
    return m.writeText(camera, cam::kCameraId, text, cam::kMaxCameraIdLength);
  });
}

int SetPropFolderName(int camera, char* text) {
  return call([&](CLinkCameraManager& m) {
    return m.writeText(camera, cam::kFolderName, text, CLinkCameraManager::kTextBufferSize - 1);
  });
}

// ---- records ----

int GetCameraProp(int camera, void* record) {
  return readRecordInto(camera, cam::kCameraProp, record, VESK_CAMERA_PROP_SIZE);
}

int GetCameraProp3(int camera, int* v1, int* v2, int* v3, int* v4, short* v5, int* v6, int* v7) {
  const auto r = readRecord<VESK_CAMERA_PROP_SIZE>(camera, cam::kCameraProp);
  outWords(r, 0, {v1, v2, v3, v4});
  if (v5)
    *v5 = static_cast<short>(wordOf(r, 4) & 0xFFFFu);
  outWords(r, 5, {v6, v7});
  return 1;
}

int GetPictureProp(int camera, void* record) {
  return readRecordInto(camera, cam::kPictureProp, record, VESK_PICTURE_PROP_SIZE);
}

int GetPictureProp3(int camera, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6) {
  const auto r = readRecord<VESK_PICTURE_PROP_SIZE>(camera, cam::kPictureProp);
  outWords(r, 0, {v1, v2, v3, v4, v5, v6});
  return 1;
}

int GetMemoryProp(int camera, void* record) {
  return readRecordInto(camera, cam::kMemoryProp, record, VESK_MEMORY_PROP_SIZE);
}

int GetMemoryProp3(int camera, int* v1, char* text1, char* text2, int* v2, int* v3) {
  const auto r = readRecord<VESK_MEMORY_PROP_SIZE>(camera, cam::kMemoryProp);
  out(v1, r, 0);
  outText(text1, r, 4, 32);
  outText(text2, r, 36, 32);
  out(v2, r, 17);
  out(v3, r, 18);
  return 1;
}

int GetPicTagProp(int camera, void* record) {
  return readRecordInto(camera, cam::kPicTagProp, record, VESK_PICTAG_PROP_SIZE);
}

int GetPicTagProp3(int camera, int* v1, int* v2, int* v3, int* v4, char* text, int* v5, int* v6, int* v7,
                   int* v8, int* v9) {
  // The first four words, the text after the fifth word, and the five words after the text.
  const auto r = readRecord<VESK_PICTAG_PROP_SIZE>(camera, cam::kPicTagProp);
  outWords(r, 0, {v1, v2, v3, v4});
  outText(text, r, 20, 20);
  outWords(r, 10, {v5, v6, v7, v8, v9});
  return 1;
}

int GetFolderProp(int camera, void* record) {
  return readRecordInto(camera, cam::kFolderProp, record, VESK_FOLDER_PROP_SIZE);
}

int GetFolderProp3(int camera, int* v123, int* v4, int* v5) {
  const auto r = readRecord<VESK_FOLDER_PROP_SIZE>(camera, cam::kFolderProp);
  if (v123)
    outWords(r, 0, {v123, v123 + 1, v123 + 2});
  outWords(r, 3, {v4, v5});
  return 1;
}

int GetCaptureProp(int camera, void* record) {
  return readRecordInto(camera, cam::kCaptureProp, record, VESK_CAPTURE_PROP_SIZE);
}

int GetCaptureProp3(int camera, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6) {
  const auto r = readRecord<VESK_CAPTURE_PROP_SIZE>(camera, cam::kCaptureProp);
  outWords(r, 0, {v1, v2, v3, v4, v5, v6});
  return 1;
}

int SetCaptureProp(int camera, void* record) {
  return writeRecordFrom(camera, cam::kCaptureProp, record, VESK_CAPTURE_PROP_SIZE);
}

int SetCaptureProp3(int camera, int v1, int v2, int v3, int v4) {
  Record<VESK_CAPTURE_PROP_SIZE> r{};
  putWords(r, {v1, v2, v3, v4});
  return call([&](CLinkCameraManager& m) { return m.writeRecord(camera, cam::kCaptureProp, r); });
}

int GetExposureProp(int camera, void* record) {
  return readRecordInto(camera, cam::kExposureProp, record, VESK_EXPOSURE_PROP_SIZE);
}

int GetExposureProp3(int camera, int* mode, int* aperture, int* exposureTime) {
  const auto r = readRecord<VESK_EXPOSURE_PROP_SIZE>(camera, cam::kExposureProp);
  out(mode, r, 0);
  out(aperture, r, 1);
  out(exposureTime, r, 3);
  return 1;
}

int SetExposureProp(int camera, void* record) {
  Record<VESK_EXPOSURE_PROP_SIZE> r{};
  if (record)
    std::memcpy(r.data(), record, r.size());
  return call([&](CLinkCameraManager& m) { return m.writeExposure(camera, r); });
}

int SetExposureProp3(int camera, int mode, int aperture, int exposureTime) {
  Record<VESK_EXPOSURE_PROP_SIZE> r{};
  putWord(r, 0, static_cast<std::uint32_t>(mode));
  putWord(r, 1, static_cast<std::uint32_t>(aperture));
  putWord(r, 2, cam::kDivisor);
  putWord(r, 3, static_cast<std::uint32_t>(exposureTime));
  return call([&](CLinkCameraManager& m) { return m.writeExposure(camera, r); });
}

int GetCustomValue(int camera, void* record) {
  return readRecordInto(camera, cam::kCustomValue, record, VESK_CUSTOM_VALUE_SIZE);
}

int GetCustomValue3(int camera, int* v1, int* v2, int* v3, int* v4, int* v5, int* v6, int* v7, int* v8,
                    int* v9, int* v10, int* v11, int* v12, int* v13) {
  const auto r = readRecord<VESK_CUSTOM_VALUE_SIZE>(camera, cam::kCustomValue);
  int* const targets[13] = {v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13};
  for (std::size_t i = 0; i < kCustomValueWords.size(); ++i)
    out(targets[i], r, kCustomValueWords[i]);
  return 1;
}

int SetCustomValue(int camera, void* record) {
  return writeRecordFrom(camera, cam::kCustomValue, record, VESK_CUSTOM_VALUE_SIZE);
}

int SetCustomValue3(int camera, int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8, int v9,
                    int v10, int v11, int v12, int v13) {
  Record<VESK_CUSTOM_VALUE_SIZE> r{};
  const int values[13] = {v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13};
  for (std::size_t i = 0; i < kCustomValueWords.size(); ++i)
    putWord(r, kCustomValueWords[i], static_cast<std::uint32_t>(values[i]));
  for (const std::size_t word : kCustomDivisorWords)
    putWord(r, word, cam::kDivisor);
  return call([&](CLinkCameraManager& m) { return m.writeRecord(camera, cam::kCustomValue, r); });
}

// ---- transfers ----

int GetIndex(int camera, int bufferSize, void* buffer, VESK_PROGRESS_CALLBACK progress, void* context) {
  return call([&](CLinkCameraManager& m) {
    return m.readTransfer(camera, cam::kIndex, bufferSize, buffer, progress, context);
  });
}

int GetPicture(int camera, int bufferSize, void* buffer, VESK_PROGRESS_CALLBACK progress, void* context) {
  return call([&](CLinkCameraManager& m) {
    return m.readTransfer(camera, cam::kPicture, bufferSize, buffer, progress, context);
  });
}

int GetPreview(int camera, int bufferSize, void* buffer, VESK_PROGRESS_CALLBACK progress, void* context) {
  return call([&](CLinkCameraManager& m) {
    return m.readTransfer(camera, cam::kPicture, bufferSize, buffer, progress, context);
  });
}

// ---- actions ----

int EraseAll(int camera) {
  return call([&](CLinkCameraManager& m) { return m.runAction(camera, cam::kEraseAll, 0); });
}

int EraseLast(int camera) {
  return call([&](CLinkCameraManager& m) { return m.runAction(camera, cam::kEraseLast, 0); });
}

int ErasePicture(int camera) {
  return call([&](CLinkCameraManager& m) { return m.runAction(camera, cam::kErasePicture, 0); });
}

int SetLcdMode(int camera, int mode) {
  return call([&](CLinkCameraManager& m) {
    return m.runAction(camera, cam::kLcdMode, static_cast<std::uint8_t>(mode));
  });
}

int SetPropProtect(int camera, int flag) {
  return call([&](CLinkCameraManager& m) {
    return m.runAction(camera, cam::kProtectPicture, static_cast<std::uint8_t>(flag));
  });
}

int Capture(int camera, bool asynchronous, VESK_COMPLETION_CALLBACK completion, void* context) {
  return call([&](CLinkCameraManager& m) {
    return m.runCommand(camera, cam::kCapture, asynchronous, completion, context);
  });
}

int Preview(int camera, bool asynchronous, VESK_COMPLETION_CALLBACK completion, void* context) {
  return call([&](CLinkCameraManager& m) {
    return m.runCommand(camera, cam::kPreview, asynchronous, completion, context);
  });
}

} // extern "C"
