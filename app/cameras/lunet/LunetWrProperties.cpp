// The camera object's own operations on the camera: clock, camera ID,
// monitor brightness, card records, zoom, flash, focus, resolution, the
// exposure block and the four settings the control cannot read back
// (answered from what the camera remembers), and picture protection. Each
// control call goes through LunetCall.h.
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetCameraClock.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/core/IBaseSDK_Wr.h"
#include "hostapi/ICamExtraCommand.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <algorithm>
#include <chrono>
#include <thread>

using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;
using tarsel::lunet::LunetCall;

namespace {

// The lens is read again this long after each position sent.
constexpr std::chrono::milliseconds kZoomSettle{5};
// Nudges a lens gets when the model's zoom range is not known: enough for a
// lens that ignores small steps, short enough to free the camera's lock.
constexpr std::int32_t kNudgesWithoutRange = 10;
// The camera keeps fewer than 32 characters of its ID.
constexpr std::size_t kCameraIdLength = 31;

// The family's focus modes and the control's, pairwise; reading maps
// anything else to 0, writing sends the control's automatic focus (2).
constexpr std::int32_t kFocusModes[][2] = {{1, 2}, {2, 1}, {4, 3}};
constexpr std::int32_t kControlAutoFocus = 2;

std::int32_t ControlFocusMode(std::int32_t mode) {
  for (const auto& pair : kFocusModes)
    if (pair[0] == mode)
      return pair[1];
  return kControlAutoFocus;
}

// "CycleLCDAfterZoom" of the family's settings: the monitor is switched off
// and on after a zoom move (its low byte; 0 when it cannot be read).
bool CycleLcdAfterZoom() {
  try {
    ITarselSettings* settings = GetLunetSdkWrapper(nullptr)->GetSettings();
    if (!settings)
      return false;
    ICamSdkSettings* raw = nullptr;
    const LONG opened = settings->GetSdkSettings(GetLunetSdkWrapper(nullptr)->GetSdkName(), &raw, true);
    CRefPtr<ICamSdkSettings> family;
    family.Attach(raw);
    return opened == 0 && family.get() && (family->GetDWord("CycleLCDAfterZoom", 0) & 0xFFu) != 0;
  } catch (...) {
    return false;
  }
}

void Settle() {
  std::this_thread::sleep_for(kZoomSettle);
}

} // namespace

void CLunetWr::GetPropCameraTime(FILETIME* time) {
  const double date =
      LunetCall(this, "GetCameraTime", [](CLunet& control) { return control.GetPropCameraTime(); });
  if (!time)
    return;
  if (!tarsel::lunet::CameraDateToFileTime(date, time))
    *time = FILETIME{};
}

void CLunetWr::SetPropCameraTime(const FILETIME& time) {
  const CLunetLock lock(this);
  const CLunetConnection connection(this);
  double date = 0;
  if (tarsel::lunet::FileTimeToCameraDate(time, &date))
    LunetCall(this, "SetCameraTime", [date](CLunet& control) { control.SetPropCameraTime(date); });
}

void CLunetWr::SetPropCameraID(const char* text) {
  const std::string id(text ? text : "");
  const CLunetLock lock(this);
  LunetCall(this, "m_Lunet.SetPropCameraID(strCamName)",
            [&id](CLunet& control) { control.SetPropCameraID(id.c_str()); });
  // The name the camera now has: what it kept of the text.
  m_cameraName = id.substr(0, kCameraIdLength);
}

std::int32_t CLunetWr::GetPropLCDBrightness() {
  return LunetCall(this, "return m_Lunet.GetPropLCDBrightness()",
                   [](CLunet& control) { return control.GetPropLCDBrightness(); });
}

void CLunetWr::SetPropLCDBrightness(std::int32_t value) {
  LunetCall(this, "m_Lunet.SetPropLCDBrightness(n)",
            [value](CLunet& control) { control.SetPropLCDBrightness(value); });
}

namespace {

struct MemoryProp {
  std::int32_t cardType = 0;
  std::int32_t memoryFree = 0;
};

struct CameraProp {
  std::int32_t resolution = 0, flash = 0, picCount = 0, remainCount = 0, battery = 0;
};

MemoryProp ReadMemoryProp(CLunetWr* camera) {
  MemoryProp prop;
  LunetCall(camera, "m_Lunet.GetMemoryPropVB(&CardType, &MemoryFree)",
            [&prop](CLunet& control) { control.GetMemoryPropVB(&prop.cardType, &prop.memoryFree); });
  return prop;
}

CameraProp ReadCameraProp(CLunetWr* camera) {
  CameraProp prop;
  LunetCall(camera, "m_Lunet.GetCameraPropVB(&Resolution, &Flash, &PicCount, &RemainCount, &BatteryStatus)",
            [&prop](CLunet& control) {
              control.GetCameraPropVB(&prop.resolution, &prop.flash, &prop.picCount, &prop.remainCount,
                                      &prop.battery);
            });
  return prop;
}

} // namespace

bool CLunetWr::GetMemoryProp() {
  return ReadMemoryProp(this).cardType != 0;
}

std::int32_t CLunetWr::GetCameraProp() {
  return ReadCameraProp(this).picCount;
}

std::int32_t CLunetWr::GetRemainCount() {
  return ReadCameraProp(this).remainCount;
}

std::int64_t CLunetWr::GetMemoryFree() {
  // An unsigned count: a card with more than 2 GiB free is not negative.
  return static_cast<std::uint32_t>(ReadMemoryProp(this).memoryFree);
}

std::int32_t CLunetWr::SetPropOpticalZoom(std::int32_t target, double* factor) {
  const CLunetLock lock(this);
  const CLunetConnection connection(this);
  if (NeedsElectricZoomReset())
    ResetElectricZoom();
  const std::int32_t cur = GetPropOpticalZoom(nullptr);
  // Nothing is sent below the model's range or below 0. Above it only the
  // target itself goes (a lens's end is found that way); nudges stay within
  // the range, or within a few tenths when the range is not known.
  const CRange range = GetRange("OpticalZoom");
  const bool known = range.GetMin() >= 0 && range.GetMax() >= range.GetMin();
  const std::int32_t lowest = known ? range.GetMin() : 0;
  const std::int32_t highest = known ? range.GetMax() : cur + kNudgesWithoutRange;
  target = std::max(target, lowest);
  std::int32_t pos = cur;
  if (target != cur) {
    const CLunetConnection move(this);
    const auto send = [this](std::int32_t position, const char* callText) {
      LunetCall(this, callText, [position](CLunet& control) { control.SetPropOpticalZoom(position); });
    };
    send(target, "m_Lunet.SetPropOpticalZoom(nZoom)");
    Settle();
    pos = GetPropOpticalZoom(nullptr);
    // A lens that ignored the move is nudged a tenth further each time
    // until its reading no longer changes.
    const std::int32_t step = target > cur ? 1 : -1;
    const auto unmoved = [&] { return step > 0 ? pos <= cur : pos >= cur; };
    const std::int32_t nudges = step > 0 ? highest - cur : cur - lowest;
    for (std::int32_t k = 1; k <= nudges && unmoved(); ++k) {
      Settle();
      send(cur + step * k, "m_Lunet.SetPropOpticalZoom(nPosTarget)");
      Settle();
      const std::int32_t reading = GetPropOpticalZoom(nullptr);
      if (reading == pos)
        break;
      pos = reading;
    }
    if (CycleLcdAfterZoom() && IsLcdOn()) {
      ThrowIfFailed(LcdOff());
      ThrowIfFailed(LcdOn(kMonitorOn));
    }
  }
  if (factor)
    *factor = pos / 10.0;
  return pos;
}

std::int32_t CLunetWr::GetPropElectricZoom() {
  return LunetCall(this, "return m_Lunet.GetPropElectricZoom()",
                   [](CLunet& control) { return control.GetPropElectricZoom(); });
}

void CLunetWr::SetPropElectricZoom(std::int32_t value) {
  LunetCall(this, "m_Lunet.SetPropElectricZoom(n)",
            [value](CLunet& control) { control.SetPropElectricZoom(value); });
}

void CLunetWr::ResetElectricZoom() {
  SetPropElectricZoom(0);
}

bool CLunetWr::NeedsElectricZoomReset() {
  return true;
}

std::int32_t CLunetWr::GetPropFlash() {
  return LunetCall(this, "return m_Lunet.GetPropFlash()",
                   [](CLunet& control) { return control.GetPropFlash(); });
}

void CLunetWr::SetPropFlash(std::int32_t value) {
  LunetCall(this, "m_Lunet.SetPropFlash(n)", [value](CLunet& control) { control.SetPropFlash(value); });
}

void CLunetWr::SetFlashOff() {
  SetPropFlash(2);
}

std::int32_t CLunetWr::SetExternalFlash(std::int32_t value) {
  const CLunetLock lock(this);
  m_externalFlash = value;
  return value;
}

std::int32_t CLunetWr::GetExternalFlash() {
  const CLunetLock lock(this);
  return m_externalFlash;
}

void CLunetWr::SetPropFocusMode(std::int32_t mode) {
  const std::int32_t control = ControlFocusMode(mode);
  LunetCall(this, "m_Lunet.SetPropFocusMode(nMode)", [control](CLunet& c) { c.SetPropFocusMode(control); });
}

void CLunetWr::SetPropFocusPosition(std::int32_t value) {
  LunetCall(this, "m_Lunet.SetPropFocusPosition(nPos)",
            [value](CLunet& control) { control.SetPropFocusPosition(value); });
}

HRESULT CLunetWr::ApplyFocusSettings(ICamExtraCommand* settings) {
  HRESULT answer = 0;
  const HRESULT failure = tarsel::lunet::LunetResult([&] {
    std::int32_t mode = 0;
    std::int32_t position = 0;
    if (!settings || !settings->GetCommand(&mode, &position)) {
      answer = 1;
      return;
    }
    const CLunetLock lock(this);
    SetPropFocusMode(mode);
    if (mode == 4)
      SetPropFocusPosition(position);
  });
  return failure != 0 ? failure : answer;
}

std::int32_t CLunetWr::GetPropResolution() {
  return LunetCall(this, "return m_Lunet.GetPropResolution()",
                   [](CLunet& control) { return control.GetPropResolution(); });
}

void CLunetWr::SetPropResolution(std::int32_t value) {
  LunetCall(this, "m_Lunet.SetPropResolution(n)",
            [value](CLunet& control) { control.SetPropResolution(value); });
}

bool CLunetWr::IsResolutionHigh() {
  return GetPropResolution() == 2;
}

std::int32_t CLunetWr::SetResolutionHigh() {
  SetPropResolution(2);
  return 2;
}

void CLunetWr::SetResolutionLow() {
  SetPropResolution(1);
}

std::int32_t CLunetWr::GetPropWhiteBalance() {
  return GetRememberedSetting(kWhiteBalance);
}

void CLunetWr::SetPropWhiteBalance(std::int32_t value) {
  SendRememberedSetting(kWhiteBalance, value);
}

std::int32_t CLunetWr::GetPropExpoBias() {
  return GetRememberedSetting(kExpoBias);
}

void CLunetWr::SetPropExpoBias(std::int32_t value) {
  SendRememberedSetting(kExpoBias, value);
}

std::int32_t CLunetWr::GetPropMetering() {
  return GetRememberedSetting(kMetering);
}

void CLunetWr::SetPropMetering(std::int32_t value) {
  SendRememberedSetting(kMetering, value);
}

std::int32_t CLunetWr::GetPropIsoSpeed() {
  return GetRememberedSetting(kIsoSpeed);
}

void CLunetWr::SetPropIsoSpeed(std::int32_t value) {
  SendRememberedSetting(kIsoSpeed, value);
}

void CLunetWr::GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime) {
  std::int32_t values[3] = {0, 0, 0};
  LunetCall(this, "m_Lunet.GetExposurePropVB(&nMode, &nAperture, &nExposureTime)",
            [&values](CLunet& control) { control.GetExposurePropVB(&values[0], &values[1], &values[2]); });
  if (mode)
    *mode = values[0];
  if (aperture)
    *aperture = values[1];
  if (exposureTime)
    *exposureTime = values[2];
}

void CLunetWr::SetExposureProp3(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime) {
  LunetCall(this, "m_Lunet.SetExposurePropVB(nMode, nAperture, nExposureTime)",
            [=](CLunet& control) { control.SetExposurePropVB(mode, aperture, exposureTime); });
}

bool CLunetWr::ModeSetsAperture(std::int32_t mode) {
  return mode == 3 || mode == 1;
}

bool CLunetWr::ModeSetsExposureTime(std::int32_t mode) {
  return mode == 4 || mode == 1;
}

bool CLunetWr::ModeUsesExposureBias(std::int32_t mode) {
  return mode != 1;
}

void CLunetWr::SetAperturePriority(std::int32_t aperture) {
  SetExposureProp3(3, aperture, 100000);
}

void CLunetWr::SetProgramAuto() {
  SetExposureProp3(2, 4, 100000);
}

bool CLunetWr::GetPropProtect() {
  return LunetCall(this, "return m_Lunet.GetPropProtect() != 0",
                   [](CLunet& control) { return control.GetPropProtect(); }) != 0;
}

void CLunetWr::SetPropProtect(bool on) {
  LunetCall(this, "m_Lunet.SetPropProtect(nProtect != false)",
            [on](CLunet& control) { control.SetPropProtect(on ? 1 : 0); });
}

void CLunetWr::ErasePicture() {
  LunetCall(this, "m_Lunet.ErasePicture()", [](CLunet& control) { control.ErasePicture(); });
}

std::int32_t CLunetWr::GetConstantValue(std::int32_t) {
  return 50;
}
