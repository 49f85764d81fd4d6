// The camera's properties: clock, camera ID, monitor brightness, card
// records, zoom, flash, focus (and the focus a take asks for), resolution, the exposure values and the
// stored pictures' protection and erasing. Each goes through VeskCall.h;
// only the clock, the focus modes and the zoom convert anything.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/vesk/VeskCall.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "hostapi/ICamExtraCommand.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>

using namespace tarsel::vesk;

namespace {

constexpr std::uint64_t kUnitsPerSecond = 10'000'000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kEpochDeltaSeconds = 11'644'473'600;

// The lens is read again this long after each move.
constexpr std::chrono::milliseconds kZoomSettle{5};
// A lens that ignores small steps moves within a few tenths. The bound keeps
// a lens at its end stop, or one whose reading never settles, from holding
// the camera's lock for more than a moment.
constexpr std::int32_t kMaxZoomNudges = 10;

// Focus modes of the program and of the library, pairwise.
constexpr std::array<std::array<std::int32_t, 2>, 3> kFocusModes{{{1, 2}, {2, 1}, {4, 3}}};
// What the camera is sent for a mode it does not know: automatic focus.
constexpr std::int32_t kLibraryAutoFocus = 2;

std::int32_t ProgramFocusMode(std::int32_t library) {
  for (const auto& [program, wire] : kFocusModes) {
    if (wire == library)
      return program;
  }
  return 0;
}

std::int32_t LibraryFocusMode(std::int32_t program) {
  for (const auto& [mode, wire] : kFocusModes) {
    if (mode == program)
      return wire;
  }
  return kLibraryAutoFocus;
}

// The camera counts its clock in 32 unsigned bits of seconds since 1970:
// it reaches 2106, where a signed count would have wrapped in 2038.
FILETIME FileTimeOfCameraSeconds(std::uint32_t seconds) {
  const std::uint64_t count = (seconds + kEpochDeltaSeconds) * kUnitsPerSecond;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(count & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(count >> 32);
  return time;
}

// The seconds the camera can keep for `time`; E_INVALIDARG for a time it
// cannot (before 1970 or past 2106).
std::uint32_t CameraSecondsOf(const FILETIME& time) {
  const std::uint64_t count = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  const std::uint64_t seconds = count / kUnitsPerSecond;
  if (seconds < kEpochDeltaSeconds ||
      seconds - kEpochDeltaSeconds > std::numeric_limits<std::uint32_t>::max())
    throw _brantel_take_error(E_INVALIDARG);
  return static_cast<std::uint32_t>(seconds - kEpochDeltaSeconds);
}

// The library's records arrive in the camera's order of bytes.
template <std::size_t Size, Export E> std::array<std::uint8_t, Size> ReadRecord(CVeskDllWr* camera) {
  std::array<std::uint8_t, Size> record{};
  CallThrowing<E>(camera, [&](auto read) { read(camera->GetCameraNumber(), record.data()); });
  return record;
}

} // namespace

void CVeskDllWr::GetPropCameraTime(FILETIME* time) {
  if (!time)
    throw _brantel_take_error(E_POINTER);
  const std::int32_t seconds = ReadProperty<Export::GetPropCameraTime>(this);
  *time = FileTimeOfCameraSeconds(static_cast<std::uint32_t>(seconds));
}

void CVeskDllWr::SetPropCameraTime(const FILETIME& time) {
  const std::uint32_t seconds = CameraSecondsOf(time);
  // The library passes the 32 bits on as they are.
  WriteProperty<Export::SetPropCameraTime>(this, static_cast<std::int32_t>(seconds));
}

std::string CVeskDllWr::GetPropCameraID() {
  return CallThrowing<Export::GetPropCameraID>(this, [&](auto read) {
    const char* text = read(m_cameraNumber);
    return std::string(text ? text : "");
  });
}

void CVeskDllWr::SetPropCameraID(const char* text) {
  std::string name(text ? text : "");
  CallThrowing<Export::SetPropCameraID>(this, [&](auto write) { write(m_cameraNumber, name.data()); });
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_cameraName = std::move(name);
}

std::int32_t CVeskDllWr::GetPropLCDBrightness() {
  return ReadProperty<Export::GetPropLCDBrightness>(this);
}

void CVeskDllWr::SetPropLCDBrightness(std::int32_t value) {
  WriteProperty<Export::SetPropLCDBrightness>(this, value);
}

bool CVeskDllWr::GetMemoryProp() {
  const auto record = ReadRecord<VESK_MEMORY_PROP_SIZE, Export::GetMemoryProp>(this);
  return tarsel::bytes::loadLe32(record, 0) != 0;
}

std::int32_t CVeskDllWr::GetCameraProp() {
  const auto record = ReadRecord<VESK_CAMERA_PROP_SIZE, Export::GetCameraProp>(this);
  return static_cast<std::int32_t>(tarsel::bytes::loadLe32(record, 20));
}

std::int32_t CVeskDllWr::GetRemainCount() {
  return ReadProperty<Export::GetRemainCount>(this);
}

std::int64_t CVeskDllWr::GetMemoryFree() {
  const auto record = ReadRecord<VESK_MEMORY_PROP_SIZE, Export::GetMemoryProp>(this);
  // An unsigned count: a card with more than 2 GiB free is not negative.
  return tarsel::bytes::loadLe32(record, 72);
}

std::int32_t CVeskDllWr::GetPropOpticalZoom(double* factor) {
  const std::int32_t tenths = ReadProperty<Export::GetPropOpticalZoom>(this);
  if (factor)
    *factor = tenths / 10.0;
  return tenths;
}

std::int32_t CVeskDllWr::SetPropOpticalZoom(std::int32_t tenths, double* factor) {
  if (tenths < 0)
    throw _brantel_take_error(E_INVALIDARG);
  const std::int32_t reached = CallThrowing<Export::SetPropOpticalZoom>(this, [&](auto move) {
    ResetElectricZoom();
    const std::int32_t start = GetPropOpticalZoom(nullptr);
    if (start == tenths)
      return start;
    move(m_cameraNumber, tenths);
    std::this_thread::sleep_for(kZoomSettle);
    std::int32_t reading = GetPropOpticalZoom(nullptr);
    const std::int32_t direction = tenths > start ? 1 : -1;
    const auto movedPastStart = [&] { return direction > 0 ? reading > start : reading < start; };
    // A lens that ignores the step is nudged one tenth further each time,
    // until it moves past the start or comes to rest elsewhere.
    std::int32_t previous = reading;
    for (std::int32_t step = 1; step <= kMaxZoomNudges && !movedPastStart(); ++step) {
      const std::int32_t nudge = start + direction * step;
      if (nudge < 0)
        break;
      std::this_thread::sleep_for(kZoomSettle);
      move(m_cameraNumber, nudge);
      std::this_thread::sleep_for(kZoomSettle);
      reading = GetPropOpticalZoom(nullptr);
      if (reading == previous && reading != start)
        break;
      previous = reading;
    }
    return reading;
  });
  if (factor)
    *factor = reached / 10.0;
  return reached;
}

std::int32_t CVeskDllWr::GetPropElectricZoom() {
  return ReadProperty<Export::GetPropElectricZoom>(this);
}

void CVeskDllWr::SetPropElectricZoom(std::int32_t value) {
  WriteProperty<Export::SetPropElectricZoom>(this, value);
}

std::int32_t CVeskDllWr::GetPropFlash() {
  return ReadProperty<Export::GetPropFlash>(this);
}

void CVeskDllWr::SetPropFlash(std::int32_t value) {
  WriteProperty<Export::SetPropFlash>(this, value);
}

std::int32_t CVeskDllWr::GetPropFocusMode() {
  return ProgramFocusMode(ReadProperty<Export::GetPropFocusMode>(this));
}

void CVeskDllWr::SetPropFocusMode(std::int32_t mode) {
  WriteProperty<Export::SetPropFocusMode>(this, LibraryFocusMode(mode));
}

std::int32_t CVeskDllWr::GetPropFocusPosition() {
  return ReadProperty<Export::GetPropFocusPosition>(this);
}

void CVeskDllWr::SetPropFocusPosition(std::int32_t value) {
  WriteProperty<Export::SetPropFocusPosition>(this, value);
}

HRESULT CVeskDllWr::ApplyFocusSettings(ICamExtraCommand* settings) {
  HRESULT result = 0;
  const HRESULT failure = GuardResult([&] {
    std::int32_t mode = 0;
    std::int32_t position = 0;
    if (!settings || !settings->GetCommand(&mode, &position)) {
      result = 1;
      return;
    }
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    SetPropFocusMode(mode);
    if (mode == 4)
      SetPropFocusPosition(position);
  });
  return failure != 0 ? failure : result;
}

std::int32_t CVeskDllWr::GetPropResolution() {
  return ReadProperty<Export::GetPropResolution>(this);
}

void CVeskDllWr::SetPropResolution(std::int32_t value) {
  WriteProperty<Export::SetPropResolution>(this, value);
}

std::int32_t CVeskDllWr::GetPropWhiteBalance() {
  return ReadProperty<Export::GetPropWhiteBalance>(this);
}

std::int32_t CVeskDllWr::GetPropExpoBias() {
  return ReadProperty<Export::GetPropExpoBias>(this);
}

std::int32_t CVeskDllWr::GetPropMetering() {
  return ReadProperty<Export::GetPropMetering>(this);
}

std::int32_t CVeskDllWr::GetPropIsoSpeed() {
  return ReadProperty<Export::GetPropIsoSpeed>(this);
}

void CVeskDllWr::GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime) {
  int values[3] = {0, 0, 0};
  CallThrowing<Export::GetExposureProp3>(
      this, [&](auto read) { read(m_cameraNumber, &values[0], &values[1], &values[2]); });
  if (mode)
    *mode = values[0];
  if (aperture)
    *aperture = values[1];
  if (exposureTime)
    *exposureTime = values[2];
}

bool CVeskDllWr::GetPropProtect() {
  return ReadProperty<Export::GetPropProtect>(this) != 0;
}

void CVeskDllWr::SetPropProtect(bool on) {
  WriteProperty<Export::SetPropProtect>(this, on ? 1 : 0);
}

void CVeskDllWr::ErasePicture() {
  CallThrowing<Export::ErasePicture>(this, [&](auto erase) { erase(m_cameraNumber); });
}
