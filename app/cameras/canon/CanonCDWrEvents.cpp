// The camera's events as the SDK reports them on its own thread: battery
// levels, the camera's shutter button (the host takes a picture), other
// camera events passed on, and the sleep query answered "stay awake".
#include "app/cameras/canon/CanonCDWr.h"

#include <cstring>

namespace cd = tarsel::cdsdk;

namespace {

constexpr std::uint32_t kClassCamera = 0x00000;
constexpr std::uint32_t kClassPower = 0x20000;
constexpr std::uint32_t kClassBattery = 0x40000;
constexpr std::uint32_t kCodeBattery = 1;
constexpr std::uint32_t kCodeSleepQuery = 5;
constexpr std::uint32_t kCodeStatus = 27;
constexpr std::uint32_t kCodeShutterButton = 30;

// The event's first 32-bit word; nothing when the data is shorter.
bool FirstWord(const void* data, std::uint32_t size, std::uint32_t* word) {
  if (!data || size < sizeof *word)
    return false;
  std::memcpy(word, data, sizeof *word);
  return true;
}

} // namespace

std::uint32_t CanonCD_Wr::HandleEvent(std::uint32_t event, const void* data, std::uint32_t size) {
  if (event & cd::kEventIgnoredBit)
    return 0;
  const std::uint32_t eventClass = event & cd::kEventClassMask;
  const std::uint32_t code = event & cd::kEventCodeMask;
  std::uint32_t word = 0;
  if ((eventClass == kClassCamera || eventClass == kClassPower) && code == kCodeBattery) {
    // The level is the camera's word: read only when the data holds it.
    if (!FirstWord(data, size, &word))
      return 0;
    m_batteryState = MapCanonBatteryLevel(word);
    StatusToSink(kStatusBattery, static_cast<std::intptr_t>(m_batteryState.load()));
  } else if (eventClass == kClassCamera && (code == kCodeShutterButton || code == kCodeStatus)) {
    FirstWord(data, size, &word);
    StatusToSink(code == kCodeShutterButton ? kStatusShutterButton : kStatusCameraEvent,
                 static_cast<std::intptr_t>(word));
  } else if (eventClass == kClassPower && code == kCodeSleepQuery) {
    return cd::kAnswerStayAwake;
  } else if (eventClass == kClassBattery && code == kCodeBattery) {
    m_batteryState = kBatteryEmpty;
    StatusToSink(kStatusBattery, static_cast<std::intptr_t>(kBatteryEmpty));
  }
  return 0;
}

std::uint32_t CanonCD_Wr::OnCameraEvent(std::uint32_t event, const void* data, std::uint32_t size,
                                        void* context) {
  try {
    if (auto* camera = static_cast<CanonCD_Wr*>(context))
      return camera->HandleEvent(event, data, size);
  } catch (...) {
    // Nothing may leave a call-back of the SDK.
  }
  return 0;
}
