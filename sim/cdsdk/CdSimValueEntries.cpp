// The camera's values: resolutions and image formats, zoom, exposure and
// shooting settings, release-control properties, value lists and AF lock.
#include "sim/cdsdk/CdSimCall.h"
#include "sim/cdsdk/CdSimEntries.h"

#include <cstring>

namespace tarsel::cdsim {
namespace {

using namespace cdsdk;

template <typename T> std::vector<u32> positions(const std::vector<T>& list) {
  std::vector<u32> values(list.size());
  for (std::size_t i = 0; i < list.size(); ++i)
    values[i] = static_cast<u32>(i);
  return values;
}

// The enumeration's camera, for filling a record from what next gave.
const Camera& enumCamera(u32 handle) {
  return *state().cameras.at(static_cast<std::size_t>(state().handles.at(handle).camera));
}

u32 resolutionEnumOpen(u32 source, u32 reserved, u32* outEnum) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (reserved != 0)
      return illegalLocked("resolution records opened with a non-zero second argument", kErrInvalidParameter);
    return openEnumLocked(camera, HandleKind::ResolutionEnum, positions(camera.config.resolutions), outEnum);
  });
}

u32 resolutionEnumNext(u32 enumHandle, ResolutionRecord* outRecord) {
  auto lock = lockState();
  u32 at = 0;
  if (outRecord == nullptr)
    return illegalLocked("resolution record read into nothing", kErrInvalidPointer);
  if (const u32 result = nextLocked(enumHandle, HandleKind::ResolutionEnum, &at); result != kOk)
    return result;
  const ResolutionConfig& r = enumCamera(enumHandle).config.resolutions.at(at);
  std::memset(outRecord, 0, sizeof *outRecord);
  outRecord->sizeCode = r.sizeCode;
  outRecord->width = r.width;
  outRecord->height = r.height;
  return kOk;
}

u32 imageFormatEnumOpen(u32 source, u32* outEnum) {
  return inSource(source, [&](Camera& camera) -> u32 {
    return openEnumLocked(camera, HandleKind::ImageFormatEnum, positions(camera.config.imageFormats),
                          outEnum);
  });
}

u32 imageFormatEnumNext(u32 enumHandle, ImageFormatPair* outPair) {
  auto lock = lockState();
  u32 at = 0;
  if (outPair == nullptr)
    return illegalLocked("image format read into nothing", kErrInvalidPointer);
  if (const u32 result = nextLocked(enumHandle, HandleKind::ImageFormatEnum, &at); result != kOk)
    return result;
  const ImageFormatConfig& f = enumCamera(enumHandle).config.imageFormats.at(at);
  outPair->quality = f.quality;
  outPair->size = f.size;
  return kOk;
}

u32 setImageFormat(u32 source, u32 quality, u32 size, u32 reserved) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (reserved != 0)
      return illegalLocked("image format set with a non-zero last argument", kErrInvalidParameter);
    for (const auto& f : camera.config.imageFormats)
      if (f.quality == quality && f.size == size) {
        camera.config.imageFormat = f;
        return kOk;
      }
    return kErrOperationRefused;
  });
}

u32 imageFormat(u32 source, u32* inOutQuality, u32* outSize, u32 reserved) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (inOutQuality == nullptr || outSize == nullptr)
      return illegalLocked("image format read into nothing", kErrInvalidPointer);
    if (*inOutQuality != kImageFormatQualityPreset || reserved != 0)
      return illegalLocked("image format read without the preset 3 or with a non-zero last argument",
                           kErrInvalidParameter);
    *inOutQuality = camera.config.imageFormat.quality;
    *outSize = camera.config.imageFormat.size;
    return kOk;
  });
}

u32 zoomLimits(u32 source, u32* outMax, u32* outMaxOptical) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (outMax == nullptr || outMaxOptical == nullptr)
      return illegalLocked("zoom limits read into nothing", kErrInvalidPointer);
    *outMax = camera.config.zoomMax;
    *outMaxOptical = camera.config.zoomOptical;
    return kOk;
  });
}

u32 zoomPosition(u32 source, u32* outPosition) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (outPosition == nullptr)
      return illegalLocked("zoom position read into nothing", kErrInvalidPointer);
    *outPosition = camera.config.zoom;
    return kOk;
  });
}

u32 zoomRatio(u32 source, u32* outNumerator, u32* outDenominator) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (outNumerator == nullptr || outDenominator == nullptr)
      return illegalLocked("zoom ratio read into nothing", kErrInvalidPointer);
    const CameraConfig& c = camera.config;
    *outNumerator = 100;
    *outDenominator = 100;
    if (c.zoom > c.zoomOptical && c.zoom - c.zoomOptical - 1 < c.digitalRatios.size())
      *outNumerator = c.digitalRatios[c.zoom - c.zoomOptical - 1];
    return kOk;
  });
}

u32 setZoomPosition(u32 source, u32 position) {
  return inSource(source, [&](Camera& camera) -> u32 {
    camera.config.zoom = std::min(position, camera.config.zoomMax);
    return kOk;
  });
}

// Whether the camera takes `value` for `list` now: listed, and settable in the program mode.
bool accepts(const Camera& camera, ValueList list, u16 value) {
  const u16 mode = camera.value(ValueList::ProgramMode);
  if (list == ValueList::Aperture && mode != 3 && mode != 4)
    return false;
  if (list == ValueList::ExposureTime && mode != 2 && mode != 4)
    return false;
  if (list == ValueList::ExposureBias && mode == 4)
    return false;
  const auto& values = camera.values(list);
  return std::find(values.begin(), values.end(), value) != values.end();
}

template <ValueList List, typename T> u32 setValue(u32 source, T value) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (value > 0xFFFF || !accepts(camera, List, static_cast<u16>(value)))
      return kErrOperationRefused;
    camera.value(List) = static_cast<u16>(value);
    return kOk;
  });
}

template <ValueList List, typename T> u32 getValue(u32 source, T* out, u32 reserved) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (out == nullptr)
      return illegalLocked("camera value read into nothing", kErrInvalidPointer);
    if (reserved != 0)
      return illegalLocked("camera value read with a non-zero last argument", kErrInvalidParameter);
    *out = camera.value(List);
    return kOk;
  });
}

u32 setFlash(u32 source, u32 mode, u32 option) {
  if (option != kFlashSetOption) {
    auto lock = lockState();
    return illegalLocked("flash set with " + std::to_string(option) + ", not 0xFF", kErrInvalidParameter);
  }
  return setValue<ValueList::Flash, u32>(source, mode);
}

u32 flash(u32 source, u32* outMode, u32* outSecond, u32 reserved) {
  if (outSecond == nullptr) {
    auto lock = lockState();
    return illegalLocked("flash read without its second word", kErrInvalidPointer);
  }
  *outSecond = 0;
  return getValue<ValueList::Flash, u32>(source, outMode, reserved);
}

u32 remainingShots(u32 source, u32* outCount, u32 reserved) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (outCount == nullptr || reserved != 0)
      return illegalLocked("remaining count read into nothing or with a non-zero last argument",
                           kErrInvalidParameter);
    *outCount = camera.config.remaining;
    return kOk;
  });
}

// The release-control properties: id, bytes per value, the list of values (none: read-only).
struct ControlProperty {
  u32 id;
  u32 size;
  bool writable;
};
const ControlProperty kControls[] = {{kParamIso, 2, true},
                                     {kParamMetering, 1, true},
                                     {kParamApertureBound, 2, false},
                                     {kParamFocalLengthCurrent, 2, false},
                                     {kParamFocalLengthLongest, 2, false},
                                     {kParamFocalLengthShortest, 2, false},
                                     {kParamFocalLengthBase, 2, false}};

const ControlProperty* control(u32 id) {
  for (const auto& c : kControls)
    if (c.id == id)
      return &c;
  return nullptr;
}

u32 controlValue(const Camera& camera, u32 id) {
  const CameraConfig& c = camera.config;
  switch (id) {
  case kParamIso:
    return camera.value(ValueList::Iso);
  case kParamMetering:
    return camera.value(ValueList::Metering);
  case kParamApertureBound:
    return c.apertureBound;
  case kParamFocalLengthCurrent: {
    const u32 optical = std::min(c.zoom, c.zoomOptical);
    return c.focalShortest +
           (c.zoomOptical == 0 ? 0 : (c.focalLongest - c.focalShortest) * optical / c.zoomOptical);
  }
  case kParamFocalLengthLongest:
    return c.focalLongest;
  case kParamFocalLengthShortest:
    return c.focalShortest;
  default:
    return c.focalBase;
  }
}

u32 releaseControlEnumOpen(u32 source, u32* outEnum) {
  return inSource(source, [&](Camera& camera) -> u32 {
    return openEnumLocked(camera, HandleKind::ReleaseControlEnum, {0, 1, 2, 3, 4, 5, 6}, outEnum);
  });
}

u32 releaseControlEnumNext(u32 enumHandle, ReleaseControlDescriptor* outDescriptor) {
  auto lock = lockState();
  u32 at = 0;
  if (outDescriptor == nullptr)
    return illegalLocked("release-control descriptor read into nothing", kErrInvalidPointer);
  if (const u32 result = nextLocked(enumHandle, HandleKind::ReleaseControlEnum, &at); result != kOk)
    return result;
  const ControlProperty& c = kControls[at];
  *outDescriptor = {c.id, c.size, kAccessRead | (c.writable ? kAccessWrite : 0)};
  return kOk;
}

u32 releaseControlRead(u32 source, u32 id, u32* inOutSize, void* outValue) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (inOutSize == nullptr || outValue == nullptr)
      return illegalLocked("release-control property read into nothing", kErrInvalidPointer);
    const ControlProperty* c = control(id);
    if (c == nullptr)
      return kErrPropertyNotSupported;
    if (*inOutSize != c->size)
      return kErrInvalidLength;
    const u32 value = controlValue(camera, id);
    std::memcpy(outValue, &value, c->size); // little-endian: the low bytes
    return kOk;
  });
}

u32 releaseControlWrite(u32 source, u32 id, u32 size, const void* value) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (value == nullptr)
      return illegalLocked("release-control property written without a value", kErrInvalidPointer);
    const ControlProperty* c = control(id);
    if (c == nullptr)
      return kErrPropertyNotSupported;
    if (size != c->size)
      return kErrInvalidLength;
    if (!c->writable)
      return kErrOperationRefused;
    u32 v = 0;
    std::memcpy(&v, value, size);
    const ValueList list = id == kParamIso ? ValueList::Iso : ValueList::Metering;
    if (!accepts(camera, list, static_cast<u16>(v)))
      return kErrOperationRefused;
    camera.value(list) = static_cast<u16>(v);
    return kOk;
  });
}

u32 openList(u32 source, ValueList list, HandleKind kind, u32 valueSize, u32* outEnum) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (camera.config.failingLists & (1u << static_cast<int>(list)))
      return kErrNotSupported;
    const auto& values = camera.values(list);
    if (const u32 result =
            openEnumLocked(camera, kind, std::vector<u32>(values.begin(), values.end()), outEnum);
        result != kOk)
      return result;
    Handle& handle = state().handles.at(*outEnum);
    handle.valueSize = valueSize;
    handle.callback = nullptr;
    handle.context =
        reinterpret_cast<void*>(static_cast<std::uintptr_t>(list)); // which list, for next and release
    return kOk;
  });
}

// The handle when it is an open enumeration of this list; else counts an invalid call.
bool isList(u32 handle, ValueList list) {
  const auto it = state().handles.find(handle);
  if (it != state().handles.end() && it->second.kind == HandleKind::ValueEnum &&
      it->second.context != reinterpret_cast<void*>(static_cast<std::uintptr_t>(list))) {
    ++state().counts.invalidHandleCalls;
    state().report("a value list's handle used with another list's entry");
    return false;
  }
  return true;
}

template <ValueList List> u32 listOpen(u32 source, u32* outEnum) {
  return openList(source, List, HandleKind::ValueEnum, 2, outEnum);
}

template <ValueList List> u32 listNext(u32 enumHandle, u16* outValue) {
  auto lock = lockState();
  if (!isList(enumHandle, List))
    return kErrInvalidHandle;
  if (outValue == nullptr)
    return illegalLocked("list value read into nothing", kErrInvalidPointer);
  u32 value = 0;
  const u32 result = nextLocked(enumHandle, HandleKind::ValueEnum, &value);
  if (result == kOk)
    *outValue = static_cast<u16>(value);
  return result;
}

template <ValueList List> u32 listRelease(u32 enumHandle) {
  auto lock = lockState();
  if (!isList(enumHandle, List))
    return kErrInvalidHandle;
  return releaseLocked(enumHandle, HandleKind::ValueEnum);
}

u32 parameterValuesOpen(u32 source, u32 id, u32* outEnum, u32* outValueSize) {
  if (outValueSize == nullptr) {
    auto lock = lockState();
    return illegalLocked("parameter values opened without a place for the value size", kErrInvalidPointer);
  }
  const ControlProperty* c = control(id);
  if (c == nullptr || !c->writable)
    return kErrNotSupported;
  const u32 result = openList(source, id == kParamIso ? ValueList::Iso : ValueList::Metering,
                              HandleKind::ParameterValues, c->size, outEnum);
  if (result == kOk)
    *outValueSize = c->size;
  return result;
}

u32 parameterValuesNext(u32 enumHandle, u32 size, void* outValue) {
  auto lock = lockState();
  Handle* handle = state().find(enumHandle, HandleKind::ParameterValues);
  if (handle == nullptr)
    return kErrInvalidHandle;
  if (outValue == nullptr)
    return illegalLocked("parameter value read into nothing", kErrInvalidPointer);
  if (size != handle->valueSize)
    return kErrInvalidLength;
  u32 value = 0;
  const u32 result = nextLocked(enumHandle, HandleKind::ParameterValues, &value);
  if (result == kOk)
    std::memcpy(outValue, &value, size);
  return result;
}

u32 afLock(u32 source, u32 lockOn) {
  return inSource(source, [&](Camera& camera) -> u32 {
    if (lockOn > 1)
      return illegalLocked("AF lock " + std::to_string(lockOn), kErrInvalidParameter);
    if ((camera.config.flags & kFlagAfLock) == 0 || !camera.config.afLockSupported)
      return kErrNotSupported;
    camera.afLock = lockOn != 0;
    return kOk;
  });
}

} // namespace

void fillValueEntries(CanonSdkFunctionTable& table) {
  using L = ValueList;
  CDSIM_INSTALL(table, ResolutionEnumOpen, resolutionEnumOpen);
  CDSIM_INSTALL(table, ResolutionEnumNext, resolutionEnumNext);
  CDSIM_INSTALL(table, ResolutionEnumCount, (enumCount<HandleKind::ResolutionEnum>));
  CDSIM_INSTALL(table, ResolutionEnumRelease, (enumRelease<HandleKind::ResolutionEnum>));
  CDSIM_INSTALL(table, ZoomLimits, zoomLimits);
  CDSIM_INSTALL(table, ZoomPosition, zoomPosition);
  CDSIM_INSTALL(table, ZoomRatio, zoomRatio);
  CDSIM_INSTALL(table, SetZoomPosition, setZoomPosition);
  CDSIM_INSTALL(table, SetImageFormat, setImageFormat);
  CDSIM_INSTALL(table, ImageFormat, imageFormat);
  CDSIM_INSTALL(table, SetProgramMode, (setValue<L::ProgramMode, u32>));
  CDSIM_INSTALL(table, ProgramMode, (getValue<L::ProgramMode, u32>));
  CDSIM_INSTALL(table, SetAperture, (setValue<L::Aperture, u16>));
  CDSIM_INSTALL(table, Aperture, (getValue<L::Aperture, u16>));
  CDSIM_INSTALL(table, SetExposureTime, (setValue<L::ExposureTime, u16>));
  CDSIM_INSTALL(table, ExposureTime, (getValue<L::ExposureTime, u16>));
  CDSIM_INSTALL(table, SetExposureBias, (setValue<L::ExposureBias, u32>));
  CDSIM_INSTALL(table, ExposureBias, (getValue<L::ExposureBias, u32>));
  CDSIM_INSTALL(table, SetWhiteBalance, (setValue<L::WhiteBalance, u32>));
  CDSIM_INSTALL(table, WhiteBalance, (getValue<L::WhiteBalance, u16>));
  CDSIM_INSTALL(table, SetAfDistance, (setValue<L::AfDistance, u32>));
  CDSIM_INSTALL(table, AfDistance, (getValue<L::AfDistance, u16>));
  CDSIM_INSTALL(table, SetFlash, setFlash);
  CDSIM_INSTALL(table, Flash, flash);
  CDSIM_INSTALL(table, RemainingShots, remainingShots);
  CDSIM_INSTALL(table, ReleaseControlEnumOpen, releaseControlEnumOpen);
  CDSIM_INSTALL(table, ReleaseControlEnumNext, releaseControlEnumNext);
  CDSIM_INSTALL(table, ReleaseControlEnumRelease, (enumRelease<HandleKind::ReleaseControlEnum>));
  CDSIM_INSTALL(table, ReleaseControlRead, releaseControlRead);
  CDSIM_INSTALL(table, ReleaseControlWrite, releaseControlWrite);
  CDSIM_INSTALL(table, ImageFormatEnumOpen, imageFormatEnumOpen);
  CDSIM_INSTALL(table, ImageFormatEnumNext, imageFormatEnumNext);
  CDSIM_INSTALL(table, ImageFormatEnumRelease, (enumRelease<HandleKind::ImageFormatEnum>));
  CDSIM_INSTALL(table, ProgramModeEnumOpen, listOpen<L::ProgramMode>);
  CDSIM_INSTALL(table, ProgramModeEnumNext, listNext<L::ProgramMode>);
  CDSIM_INSTALL(table, ProgramModeEnumRelease, listRelease<L::ProgramMode>);
  CDSIM_INSTALL(table, ApertureEnumOpen, listOpen<L::Aperture>);
  CDSIM_INSTALL(table, ApertureEnumNext, listNext<L::Aperture>);
  CDSIM_INSTALL(table, ApertureEnumRelease, listRelease<L::Aperture>);
  CDSIM_INSTALL(table, ExposureTimeEnumOpen, listOpen<L::ExposureTime>);
  CDSIM_INSTALL(table, ExposureTimeEnumNext, listNext<L::ExposureTime>);
  CDSIM_INSTALL(table, ExposureTimeEnumRelease, listRelease<L::ExposureTime>);
  CDSIM_INSTALL(table, ExposureBiasEnumOpen, listOpen<L::ExposureBias>);
  CDSIM_INSTALL(table, ExposureBiasEnumNext, listNext<L::ExposureBias>);
  CDSIM_INSTALL(table, ExposureBiasEnumRelease, listRelease<L::ExposureBias>);
  CDSIM_INSTALL(table, WhiteBalanceEnumOpen, listOpen<L::WhiteBalance>);
  CDSIM_INSTALL(table, WhiteBalanceEnumNext, listNext<L::WhiteBalance>);
  CDSIM_INSTALL(table, WhiteBalanceEnumRelease, listRelease<L::WhiteBalance>);
  CDSIM_INSTALL(table, AfDistanceEnumOpen, listOpen<L::AfDistance>);
  CDSIM_INSTALL(table, AfDistanceEnumNext, listNext<L::AfDistance>);
  CDSIM_INSTALL(table, AfDistanceEnumRelease, listRelease<L::AfDistance>);
  CDSIM_INSTALL(table, FlashEnumOpen, listOpen<L::Flash>);
  CDSIM_INSTALL(table, FlashEnumNext, listNext<L::Flash>);
  CDSIM_INSTALL(table, FlashEnumRelease, listRelease<L::Flash>);
  CDSIM_INSTALL(table, ParameterValuesOpen, parameterValuesOpen);
  CDSIM_INSTALL(table, ParameterValuesNext, parameterValuesNext);
  CDSIM_INSTALL(table, ParameterValuesRelease, (enumRelease<HandleKind::ParameterValues>));
  CDSIM_INSTALL(table, AfLock, afLock);
}

} // namespace tarsel::cdsim
