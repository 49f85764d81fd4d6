// Sources, their event registrations, device properties and storage.
#include "sim/cdsdk/CdSimCall.h"
#include "sim/cdsdk/CdSimEntries.h"

#include <algorithm>
#include <cstring>

namespace tarsel::cdsim {
namespace {

using namespace cdsdk;

constexpr u32 kGenerationShift = 16;

u32 sourceEnumOpen(u32 option, u32* outEnum) {
  auto lock = lockState();
  if (option != kSourceEnumOption)
    return illegalLocked("source enumeration opened with option " + std::to_string(option),
                         kErrInvalidParameter);
  if (outEnum == nullptr)
    return illegalLocked("source enumeration opened without a place for its handle", kErrInvalidPointer);
  Handle handle;
  handle.kind = HandleKind::SourceEnum;
  for (const auto& camera : state().cameras)
    if (camera->plugged)
      handle.values.push_back(static_cast<u32>(camera->index));
  *outEnum = state().addHandle(std::move(handle));
  return kOk;
}

u32 sourceEnumNext(u32 enumHandle, CanonSourceRecord* outRecord) {
  auto lock = lockState();
  if (outRecord == nullptr)
    return illegalLocked("source record read into nothing", kErrInvalidPointer);
  u32 index = 0;
  if (const u32 result = nextLocked(enumHandle, HandleKind::SourceEnum, &index); result != kOk)
    return result;
  const Camera& camera = *state().cameras.at(index);
  std::memset(outRecord, 0, sizeof *outRecord);
  outRecord->sourceId = (camera.generation << kGenerationShift) | (index + 1);
  const std::size_t length = std::min(camera.config.name.size(), sizeof outRecord->name - 1);
  std::memcpy(outRecord->name, camera.config.name.data(), length);
  return kOk;
}

u32 sourceOpen(CanonSourceRecord* record, u32* outSource) {
  auto lock = lockState();
  if (record == nullptr || outSource == nullptr)
    return illegalLocked("source opened without its record or a place for its handle", kErrInvalidPointer);
  if (record->word0 != kSourceRecordOpenWord)
    return illegalLocked("source record's first word is " + std::to_string(record->word0) + ", not 2",
                         kErrInvalidParameter);
  const u32 index = (record->sourceId & 0xFFFF) - 1;
  if (index >= state().cameras.size())
    return illegalLocked("source record that no enumeration gave", kErrInvalidParameter);
  Camera& camera = *state().cameras[index];
  if (!camera.plugged || (record->sourceId >> kGenerationShift) != camera.generation)
    return kErrDeviceNotFound;
  Handle handle;
  handle.kind = HandleKind::Source;
  handle.camera = camera.index;
  handle.generation = camera.generation;
  *outSource = state().addHandle(std::move(handle));
  return kOk;
}

u32 sourceClose(u32 source) {
  auto lock = lockState();
  State& s = state();
  Handle* handle = s.find(source, HandleKind::Source);
  if (handle == nullptr)
    return kErrInvalidHandle;
  Camera& camera = *s.cameras.at(static_cast<std::size_t>(handle->camera));
  const bool current = handle->generation == camera.generation;
  if (current && camera.viewfinder && camera.viewfinder->onFrameThread())
    return illegalLocked("source closed from its own frame call-back", kErrInvalidCall);
  s.waitForEvents(lock, camera);
  if (!s.handles.count(source))
    return kErrInvalidHandle; // closed by another thread meanwhile
  for (auto it = s.handles.begin(); it != s.handles.end();) {
    const bool registration = it->second.kind == HandleKind::Registration &&
                              it->second.camera == camera.index && it->second.values.at(0) == source;
    if (registration) {
      s.violation("source closed with its event call-back still registered");
      it = s.handles.erase(it);
    } else {
      ++it;
    }
  }
  s.handles.erase(source);
  if (!current)
    return kOk;
  if (camera.remote && camera.remoteSource == source) {
    s.violation("source closed in remote-release mode");
    s.resetCamera(camera);
  }
  std::unique_ptr<Viewfinder> viewfinder;
  if (camera.viewfinder && camera.viewfinderSource == source) {
    s.violation("source closed with its viewfinder running");
    viewfinder = std::move(camera.viewfinder);
  }
  if (!s.isOpen(camera))
    camera.bracket = false;
  lock.unlock();
  viewfinder.reset();
  return kOk;
}

u32 eventRegister(u32 source, EventCallback* callback, void* context, u32* outRegistration) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (callback == nullptr || outRegistration == nullptr)
      return illegalLocked("event registration without a call-back or a place for its handle",
                           kErrInvalidPointer);
    Handle handle;
    handle.kind = HandleKind::Registration;
    handle.camera = camera.index;
    handle.generation = camera.generation;
    handle.values = {source};
    handle.callback = callback;
    handle.context = context;
    *outRegistration = state().addHandle(std::move(handle));
    return kOk;
  });
}

u32 eventUnregister(u32 source, u32 registration) {
  auto lock = lockState();
  State& s = state();
  if (s.find(source, HandleKind::Source) == nullptr)
    return kErrInvalidHandle;
  Handle* handle = s.find(registration, HandleKind::Registration);
  if (handle == nullptr)
    return kErrInvalidHandle;
  if (handle->values.at(0) != source)
    return illegalLocked("event call-back unregistered from another source", kErrInvalidParameter);
  s.waitForEvents(lock, *s.cameras.at(static_cast<std::size_t>(handle->camera)));
  s.handles.erase(registration);
  return kOk;
}

u32 devicePropsOpen(u32 source, u32 reserved, u32* outProps) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (reserved != 0)
      return illegalLocked("device properties opened with a non-zero second argument", kErrInvalidParameter);
    return openEnumLocked(camera, HandleKind::Props, {source}, outProps);
  });
}

u32 devicePropsClose(u32 props) {
  auto lock = lockState();
  return releaseLocked(props, HandleKind::Props);
}

// The camera of a property handle whose camera is still there.
Camera* propsCamera(u32 props, u32* error) {
  Handle* handle = state().find(props, HandleKind::Props);
  if (handle == nullptr) {
    *error = kErrInvalidHandle;
    return nullptr;
  }
  Camera* camera = state().cameras.at(static_cast<std::size_t>(handle->camera)).get();
  if (!camera->plugged || camera->generation != handle->generation) {
    *error = kErrDeviceNotFound;
    return nullptr;
  }
  return camera;
}

u32 readText(const std::string& text, u32* size, void* value) {
  const u32 needed = static_cast<u32>(text.size() + 1);
  if (*size < needed) {
    *size = needed;
    return kErrInvalidLength;
  }
  std::memcpy(value, text.c_str(), needed);
  *size = needed;
  return kOk;
}

u32 readWord(u32 word, u32* size, void* value) {
  if (*size != 4)
    return kErrInvalidLength;
  std::memcpy(value, &word, 4);
  return kOk;
}

u32 devicePropRead(u32 props, u32 id, u32* inOutSize, void* outValue, u32 reserved) {
  auto lock = lockState();
  u32 error = kOk;
  Camera* camera = propsCamera(props, &error);
  if (camera == nullptr)
    return error;
  if (inOutSize == nullptr || outValue == nullptr)
    return illegalLocked("device property read without a size or a place for the value", kErrInvalidPointer);
  if (reserved != 0)
    return illegalLocked("device property read with a non-zero last argument", kErrInvalidParameter);
  switch (id) {
  case kPropModelText:
    return readText(camera->config.model(), inOutSize, outValue);
  case kPropFirmwareText:
    return readText(camera->config.firmware, inOutSize, outValue);
  case kPropOwnerText:
    return readText(camera->config.owner, inOutSize, outValue);
  case kPropDeviceFlags:
    return readWord(camera->config.flags, inOutSize, outValue);
  case kPropBatteryLevel:
    return readWord(camera->config.battery, inOutSize, outValue);
  case kPropCameraTime:
    return readWord(camera->clockNow(), inOutSize, outValue);
  default:
    return kErrPropertyNotSupported;
  }
}

u32 devicePropWrite(u32 props, u32 id, u32* inOutSize, const void* value) {
  auto lock = lockState();
  u32 error = kOk;
  Camera* camera = propsCamera(props, &error);
  if (camera == nullptr)
    return error;
  if (inOutSize == nullptr || value == nullptr)
    return illegalLocked("device property written without a size or a value", kErrInvalidPointer);
  const u32 size = *inOutSize;
  const auto* bytes = static_cast<const char*>(value);
  switch (id) {
  case kPropOwnerText:
    if (size == 0 || size > kOwnerTextMaxBytes || bytes[size - 1] != 0 || std::strlen(bytes) != size - 1)
      return kErrInvalidPropertyValue;
    camera->config.owner.assign(bytes, size - 1);
    return kOk;
  case kPropCameraTime:
    if (size != 4)
      return kErrInvalidLength;
    std::memcpy(&camera->clockBase, value, 4);
    camera->clockSetAt = std::chrono::steady_clock::now();
    return kOk;
  case kPropModelText:
  case kPropFirmwareText:
  case kPropDeviceFlags:
  case kPropBatteryLevel:
    return kErrOperationRefused;
  default:
    return kErrPropertyNotSupported;
  }
}

u32 volumeEnumOpen(u32 source, u32* outEnum) {
  return inSource(source, [&](Camera& camera) -> u32 {
    return openEnumLocked(camera, HandleKind::VolumeEnum, camera.volumeHandles, outEnum);
  });
}

u32 volumeEnumNext(u32 enumHandle, u32* outVolume) {
  auto lock = lockState();
  return nextLocked(enumHandle, HandleKind::VolumeEnum, outVolume);
}

// The camera and volume of a volume handle whose camera is plugged in.
Camera* volumeCamera(u32 volume, VolumeConfig** config, u32* error) {
  Handle* handle = state().find(volume, HandleKind::Volume);
  if (handle == nullptr) {
    *error = kErrInvalidHandle;
    return nullptr;
  }
  Camera* camera = state().cameras.at(static_cast<std::size_t>(handle->camera)).get();
  if (!camera->plugged || !state().isOpen(*camera)) {
    *error = camera->plugged ? kErrInvalidCall : kErrDeviceNotFound;
    return nullptr;
  }
  *config = &camera->config.volumes.at(handle->values.at(0));
  return camera;
}

u32 volumeInfo(u32 volume, VolumeRecord* outRecord) {
  auto lock = lockState();
  u32 error = kOk;
  VolumeConfig* config = nullptr;
  if (volumeCamera(volume, &config, &error) == nullptr)
    return error;
  if (outRecord == nullptr)
    return illegalLocked("volume information read into nothing", kErrInvalidPointer);
  std::memset(outRecord, 0, sizeof *outRecord);
  outRecord->volumeType = 1;
  outRecord->capacity = config->capacity;
  outRecord->freeSpace = config->freeSpace;
  return kOk;
}

u32 itemEnumOpen(u32 volume, u32 option, u32 flags, u32* outEnum) {
  auto lock = lockState();
  u32 error = kOk;
  VolumeConfig* config = nullptr;
  Camera* camera = volumeCamera(volume, &config, &error);
  if (camera == nullptr)
    return error;
  if (option != kItemEnumOption || flags != kItemEnumFlags)
    return illegalLocked("item enumeration opened with " + std::to_string(option) + ", " +
                             std::to_string(flags),
                         kErrInvalidParameter);
  std::vector<u32> items(config->items);
  for (u32 i = 0; i < config->items; ++i)
    items[i] = i + 1;
  return openEnumLocked(*camera, HandleKind::ItemEnum, std::move(items), outEnum);
}

} // namespace

void fillSourceEntries(CanonSdkFunctionTable& table) {
  CDSIM_INSTALL(table, SourceEnumOpen, sourceEnumOpen);
  CDSIM_INSTALL(table, SourceEnumNext, sourceEnumNext);
  CDSIM_INSTALL(table, SourceEnumCount, (enumCount<HandleKind::SourceEnum>));
  CDSIM_INSTALL(table, SourceEnumRelease, (enumRelease<HandleKind::SourceEnum>));
  CDSIM_INSTALL(table, SourceOpen, sourceOpen);
  CDSIM_INSTALL(table, SourceClose, sourceClose);
  CDSIM_INSTALL(table, EventRegister, eventRegister);
  CDSIM_INSTALL(table, EventUnregister, eventUnregister);
  CDSIM_INSTALL(table, DevicePropsOpen, devicePropsOpen);
  CDSIM_INSTALL(table, DevicePropsClose, devicePropsClose);
  CDSIM_INSTALL(table, DevicePropRead, devicePropRead);
  CDSIM_INSTALL(table, DevicePropWrite, devicePropWrite);
  CDSIM_INSTALL(table, VolumeEnumOpen, volumeEnumOpen);
  CDSIM_INSTALL(table, VolumeEnumNext, volumeEnumNext);
  CDSIM_INSTALL(table, VolumeEnumRelease, (enumRelease<HandleKind::VolumeEnum>));
  CDSIM_INSTALL(table, VolumeInfo, volumeInfo);
  CDSIM_INSTALL(table, ItemEnumOpen, itemEnumOpen);
  CDSIM_INSTALL(table, ItemEnumCount, (enumCount<HandleKind::ItemEnum>));
  CDSIM_INSTALL(table, ItemEnumRelease, (enumRelease<HandleKind::ItemEnum>));
}

} // namespace tarsel::cdsim
