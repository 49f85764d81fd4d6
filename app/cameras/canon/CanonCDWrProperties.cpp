// The Canon camera's own property operations: identity, clock, card and
// counts, zoom, flash, focus, resolution, white balance and exposure.
#include "app/cameras/canon/CanonCDWr.h"

#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonCameraClock.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/cameras/canon/CanonLimits.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/cameras/canon/CanonVolumeEnum.h"
#include "app/core/RangeItem.h"
#include "env/BrantelTakeError.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace tarsel::canon;
namespace cd = tarsel::cdsdk;

namespace {

// Reads or writes under the camera's lock; the result guard's code.
template <class Body> HRESULT locked(std::recursive_mutex& mutex, Body&& body) {
  return GuardResult([&] {
    const CameraCallLock lock(mutex);
    body();
  });
}

template <class T> void clear(T* out, T value = T{}) {
  if (out)
    *out = value;
}

// Where the zoom is and its highest overall and optical positions.
struct ZoomLimits {
  std::uint32_t highest = 0;
  std::uint32_t highestOptical = 0;
  std::uint32_t position = 0;
};

ZoomLimits readZoom(std::uint32_t source) {
  ZoomLimits zoom;
  CallChecked<cd::kEntryZoomLimits>(source, &zoom.highest, &zoom.highestOptical);
  CallChecked<cd::kEntryZoomPosition>(source, &zoom.position);
  return zoom;
}

std::uint32_t readParameter(std::uint32_t source, std::uint32_t parameter, std::uint32_t size) {
  std::uint32_t value = 0;
  CallChecked<cd::kEntryReleaseControlRead>(source, parameter, &size, static_cast<void*>(&value));
  return value;
}

void writeParameter(std::uint32_t source, std::uint32_t parameter, std::uint32_t size, std::uint32_t value) {
  CallChecked<cd::kEntryReleaseControlWrite>(source, parameter, size, static_cast<const void*>(&value));
}

double zoomFactor(std::uint32_t source) {
  const auto focal = static_cast<std::uint16_t>(readParameter(source, cd::kParamFocalLengthCurrent, 2));
  const auto base = static_cast<std::uint16_t>(readParameter(source, cd::kParamFocalLengthBase, 2));
  return base ? static_cast<double>(focal) / base : 0.0;
}

} // namespace

std::uint32_t CanonCD_Wr::SourceHandle() const {
  return m_source ? m_source->GetHandle() : 0;
}

std::uint32_t CanonCD_Wr::DeviceFlags() {
  if (!m_deviceFlagsKnown) {
    CCanonDeviceProps props(SourceHandle());
    m_deviceFlags = props.GetDeviceFlags();
    m_deviceFlagsKnown = true;
  }
  return m_deviceFlags;
}

bool CanonCD_Wr::HasCapability(int capability) {
  const CCapabilitySet* set = m_capabilities.Set(capability);
  return set && !set->IsUnsupported();
}

const char* CanonCD_Wr::GetCameraLabel() {
  return m_cameraLabel.c_str();
}

HRESULT CanonCD_Wr::SetPropCameraID(const char* text) {
  return locked(m_lock, [&] {
    CCanonDeviceProps props(SourceHandle());
    props.SetOwnerText(text);
    // The name the camera is shown and recognised by, as discovery makes it.
    m_cameraName = DisplayName(text ? text : "", m_modelName);
  });
}

HRESULT CanonCD_Wr::GetPropCameraTime(FILETIME* out) {
  clear(out);
  return locked(m_lock, [&] {
    CCanonDeviceProps props(SourceHandle());
    const FILETIME time = CameraClockToFileTime(props.GetCameraTime());
    if (out)
      *out = time;
  });
}

HRESULT CanonCD_Wr::SetPropCameraTime(FILETIME time) {
  return locked(m_lock, [&] {
    CCanonDeviceProps props(SourceHandle());
    props.SetCameraTime(FileTimeToCameraClock(time));
  });
}

HRESULT CanonCD_Wr::HasMedia(bool* out) {
  clear(out);
  return locked(m_lock, [&] {
    CCanonVolumeEnum volumes(SourceHandle());
    std::uint32_t volume = 0;
    bool media = false;
    while (!media && volumes.Next(&volume) == 0) {
      cd::VolumeRecord record{};
      volumes.GetVolumeInfo(volume, &record);
      media = record.capacity != 0;
    }
    clear(out, media);
  });
}

HRESULT CanonCD_Wr::GetPropPicCountAlias(std::uint32_t* out) {
  return GetPropPicCount(out);
}

HRESULT CanonCD_Wr::GetPropPicCount(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    CCanonVolumeEnum volumes(SourceHandle());
    std::uint32_t volume = 0;
    std::uint32_t count = 0;
    while (volumes.Next(&volume) == 0)
      count += CCanonItemEnum(volume).GetCount();
    clear(out, count);
  });
}

HRESULT CanonCD_Wr::GetRemainCount(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    std::uint32_t count = 0;
    CallChecked<cd::kEntryRemainingShots>(SourceHandle(), &count, 0u);
    clear(out, count);
  });
}

HRESULT CanonCD_Wr::GetMemoryFree(std::uint64_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    CCanonVolumeEnum volumes(SourceHandle());
    std::uint32_t volume = 0;
    std::uint64_t space = 0;
    while (volumes.Next(&volume) == 0) {
      cd::VolumeRecord record{};
      volumes.GetVolumeInfo(volume, &record);
      // The sizes are the camera's word: the sum stops at the largest number, never wraps.
      space = tarsel::bytes::checkedAdd(space, std::uint64_t{record.freeSpace})
                  .value_or(std::numeric_limits<std::uint64_t>::max());
    }
    clear(out, space);
  });
}

HRESULT CanonCD_Wr::GetOpticalZoomRange(CRangeD* out) {
  return GuardResult([&] {
    if (!out)
      return;
    if (const CRangeItemD* range = m_capabilities.OpticalZoom())
      out->Assign(*range);
    else
      out->Assign(CRangeD(-1, -1, 0.0, 0.0));
  });
}

HRESULT CanonCD_Wr::GetPropOpticalZoom(std::int32_t* position, double* factor) {
  clear(position);
  clear(factor);
  return locked(m_lock, [&] {
    if (factor)
      *factor = zoomFactor(SourceHandle());
    if (position) {
      std::uint32_t current = 0;
      CallChecked<cd::kEntryZoomPosition>(SourceHandle(), &current);
      *position = static_cast<std::int32_t>(current);
    }
  });
}

HRESULT CanonCD_Wr::SetPropOpticalZoom(std::int32_t position, std::int32_t* actual, double* factor) {
  clear(actual);
  clear(factor);
  return locked(m_lock, [&] {
    const std::uint32_t source = SourceHandle();
    std::uint32_t current = 0;
    CallChecked<cd::kEntryZoomPosition>(source, &current);
    if (current != static_cast<std::uint32_t>(position)) {
      CallChecked<cd::kEntrySetZoomPosition>(source, static_cast<std::uint32_t>(position));
      CallChecked<cd::kEntryZoomPosition>(source, &current);
    }
    if (factor)
      *factor = zoomFactor(source);
    clear(actual, static_cast<std::int32_t>(current));
  });
}

HRESULT CanonCD_Wr::GetDigitalZoomSteps(std::int32_t* out) {
  clear(out, -1);
  return locked(m_lock, [&] {
    const ZoomLimits zoom = readZoom(SourceHandle());
    const std::int64_t steps = static_cast<std::int64_t>(zoom.position) - zoom.highestOptical;
    // The positions are the camera's word: a step past those the detection
    // believes counts as the last of them, never wrapping to a negative.
    clear(out,
          steps < 1 ? -1 : static_cast<std::int32_t>(std::min<std::int64_t>(steps, kMaxDigitalZoomSteps)));
  });
}

HRESULT CanonCD_Wr::SetDigitalZoomSteps(std::int32_t step) {
  return locked(m_lock, [&] {
    if (!HasCapability(kDigitalZoom) || step < 0)
      return;
    const ZoomLimits zoom = readZoom(SourceHandle());
    const std::uint64_t wanted =
        static_cast<std::uint64_t>(zoom.highestOptical) + static_cast<std::uint32_t>(step);
    const auto target = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, zoom.highest));
    if (target != zoom.position)
      CallChecked<cd::kEntrySetZoomPosition>(SourceHandle(), target);
  });
}

HRESULT CanonCD_Wr::LeaveDigitalZoom() {
  return locked(m_lock, [&] {
    if (!HasCapability(kDigitalZoom))
      return;
    const ZoomLimits zoom = readZoom(SourceHandle());
    if (zoom.position > zoom.highestOptical)
      ThrowIfFailed(SetDigitalZoomSteps(0));
  });
}

HRESULT CanonCD_Wr::GetPropFlash(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    std::uint32_t mode = 0;
    std::uint32_t second = 0;
    CallChecked<cd::kEntryFlash>(SourceHandle(), &mode, &second, 0u);
    m_flashCode = mode & 0xFFFFu;
    clear(out, m_flashCode);
  });
}

HRESULT CanonCD_Wr::SetPropFlash(std::uint32_t mode) {
  return locked(m_lock, [&] {
    if (!HasCapability(kFlashMode))
      return;
    CallChecked<cd::kEntrySetFlash>(SourceHandle(), mode, cd::kFlashSetOption);
    m_flashCode = mode;
  });
}

HRESULT CanonCD_Wr::SetPropFlashOff() {
  return SetPropFlash(0);
}

HRESULT CanonCD_Wr::GetAFLockSupport(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    if ((DeviceFlags() & cd::kFlagAfLock) && m_afLockSupport == 0) {
      // The probe leaves the lock off; its results are not errors.
      if (CallEntry<cd::kEntryAfLock>(SourceHandle(), 1u) == 0) {
        m_afLockSupport = 8;
        CallEntry<cd::kEntryAfLock>(SourceHandle(), 0u);
      }
    }
    clear(out, m_afLockSupport);
  });
}

HRESULT CanonCD_Wr::GetPropAFDistance(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    std::uint16_t distance = 0;
    CallChecked<cd::kEntryAfDistance>(SourceHandle(), &distance, 0u);
    clear(out, static_cast<std::uint32_t>(distance));
  });
}

HRESULT CanonCD_Wr::SetPropAFDistance(std::uint32_t value) {
  return locked(m_lock, [&] {
    if (HasCapability(kAfDistance))
      CallChecked<cd::kEntrySetAfDistance>(SourceHandle(), value);
  });
}

HRESULT CanonCD_Wr::SetAFLock(bool lock, bool* state) {
  clear(state);
  return locked(m_lock, [&] {
    if (!(DeviceFlags() & cd::kFlagAfLock))
      return;
    std::uint32_t modes = 0;
    ThrowIfFailed(GetAFLockSupport(&modes));
    // A refused lock is not an error: the state tells what holds.
    if ((modes & 8u) && m_afLockState != lock &&
        CallEntry<cd::kEntryAfLock>(SourceHandle(), static_cast<std::uint32_t>(lock)) == 0)
      m_afLockState = lock;
    clear(state, m_afLockState);
  });
}

HRESULT CanonCD_Wr::GetAFLock(bool* out) {
  clear(out);
  return GuardResult([&] {
    const CameraCallLock lock(m_lock);
    clear(out, m_deviceFlagsKnown && (m_deviceFlags & cd::kFlagAfLock) && m_afLockState);
  });
}

HRESULT CanonCD_Wr::GetPropResolution(std::int32_t* out) {
  clear(out, -1);
  return locked(m_lock, [&] {
    CCanonResolutionSet* set = m_capabilities.Resolutions();
    if (!set)
      return;
    std::uint32_t quality = cd::kImageFormatQualityPreset;
    std::uint32_t size = 0;
    CallChecked<cd::kEntryImageFormat>(SourceHandle(), &quality, &size, 0u);
    for (std::size_t i = 0; i < set->GetCount(); ++i) {
      const CCanonResolutionEntry* entry = set->GetEntry(i);
      if (entry->sizeCode == (size & 0xFFFFu) && entry->quality == (quality & 0xFFFFu)) {
        clear(out, static_cast<std::int32_t>(i));
        return;
      }
    }
  });
}

HRESULT CanonCD_Wr::SetPropResolution(std::int32_t index) {
  return locked(m_lock, [&] {
    CCanonResolutionSet* set = m_capabilities.Resolutions();
    const CCanonResolutionEntry* entry =
        set && index >= 0 ? set->GetEntry(static_cast<std::size_t>(index)) : nullptr;
    if (entry)
      CallChecked<cd::kEntrySetImageFormat>(SourceHandle(), entry->quality, entry->sizeCode, 0u);
  });
}

HRESULT CanonCD_Wr::GetPropWhiteBalance(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    std::uint16_t code = 0;
    CallChecked<cd::kEntryWhiteBalance>(SourceHandle(), &code, 0u);
    m_whiteBalanceCode = code;
    clear(out, m_whiteBalanceCode);
  });
}

HRESULT CanonCD_Wr::SetPropWhiteBalance(std::uint32_t code) {
  return locked(m_lock, [&] {
    if (!HasCapability(kWhiteBalance))
      return;
    CallChecked<cd::kEntrySetWhiteBalance>(SourceHandle(), code);
    m_whiteBalanceCode = code;
  });
}

HRESULT CanonCD_Wr::GetPropExpoBias(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    std::uint32_t bias = 0;
    CallChecked<cd::kEntryExposureBias>(SourceHandle(), &bias, 0u);
    clear(out, bias & 0xFFFFu);
  });
}

HRESULT CanonCD_Wr::SetPropExpoBias(std::uint32_t value) {
  return locked(m_lock, [&] {
    if (HasCapability(kExposureBias))
      CallChecked<cd::kEntrySetExposureBias>(SourceHandle(), value);
  });
}

HRESULT CanonCD_Wr::GetPropMetering(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] { clear(out, readParameter(SourceHandle(), cd::kParamMetering, 1) & 0xFFu); });
}

HRESULT CanonCD_Wr::SetPropMetering(std::uint32_t value) {
  return locked(m_lock, [&] {
    if (HasCapability(kMeteringMode))
      writeParameter(SourceHandle(), cd::kParamMetering, 1, value & 0xFFu);
  });
}

HRESULT CanonCD_Wr::GetPropIsoSpeed(std::uint32_t* out) {
  clear(out);
  return locked(m_lock, [&] {
    m_isoCode = readParameter(SourceHandle(), cd::kParamIso, 2) & 0xFFFFu;
    clear(out, m_isoCode);
  });
}

HRESULT CanonCD_Wr::SetPropIsoSpeed(std::uint32_t code) {
  return locked(m_lock, [&] {
    if (!HasCapability(kIsoSpeed))
      return;
    writeParameter(SourceHandle(), cd::kParamIso, 2, code & 0xFFFFu);
    m_isoCode = code;
  });
}

HRESULT CanonCD_Wr::GetExposure(std::uint32_t* program, std::uint32_t* aperture,
                                std::uint32_t* exposureTime) {
  clear(program);
  clear(aperture);
  clear(exposureTime);
  return locked(m_lock, [&] {
    const std::uint32_t source = SourceHandle();
    std::uint32_t mode = 0;
    std::uint16_t av = 0;
    std::uint16_t tv = 0;
    CallChecked<cd::kEntryProgramMode>(source, &mode, 0u);
    CallChecked<cd::kEntryAperture>(source, &av, 0u);
    CallChecked<cd::kEntryExposureTime>(source, &tv, 0u);
    clear(program, mode & 0xFFFFu);
    clear(aperture, static_cast<std::uint32_t>(av));
    clear(exposureTime, static_cast<std::uint32_t>(tv));
  });
}

HRESULT CanonCD_Wr::SetExposure(std::uint32_t program, std::uint32_t aperture, std::uint32_t exposureTime) {
  return locked(m_lock, [&] {
    const std::uint32_t source = SourceHandle();
    if (HasCapability(kProgramMode))
      CallChecked<cd::kEntrySetProgramMode>(source, program);
    if (IsApertureSettable(program))
      CallChecked<cd::kEntrySetAperture>(source, static_cast<std::uint16_t>(aperture));
    if (IsExposureTimeSettable(program))
      CallChecked<cd::kEntrySetExposureTime>(source, static_cast<std::uint16_t>(exposureTime));
  });
}

bool CanonCD_Wr::IsApertureSettable(std::uint32_t program) {
  return HasCapability(kAperture) && (program == 3 || program == 4);
}

bool CanonCD_Wr::IsExposureTimeSettable(std::uint32_t program) {
  return HasCapability(kExposureTime) && (program == 2 || program == 4);
}

bool CanonCD_Wr::IsExpoBiasSettable(std::uint32_t program) {
  return HasCapability(kExposureBias) && program != 4;
}

const char* CanonCD_Wr::GetRawFileExtension() {
  return ".CRW";
}
