// The camera object's connection, monitor, battery and status line, and the
// small operations of the family.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/vesk/VeskBracketing.h"
#include "app/cameras/vesk/VeskCall.h"
#include "app/cameras/vesk/VeskProgressMap.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/core/ITarselCallback.h"
#include "platform/Bytes.h"
#include "platform/Win32Error.h"

#include <charconv>
#include <cstring>

using namespace tarsel::vesk;

CVeskDllWr::CVeskDllWr(int cameraNumber)
    : m_cameraNumber(cameraNumber), m_bracketing(std::make_unique<CVeskBracketing>(this)) {}

CVeskDllWr::~CVeskDllWr() {
  if (m_givenUp) {
    VeskProgressMap::Remove(this);
    return;
  }
  try {
    Connect();
    CloseCaptureProperties();
    StopPreview();
    LcdOff();
    DisConnect();
  } catch (...) {
    try {
      DisConnect();
    } catch (...) {
      // The object goes either way.
    }
  }
  VeskProgressMap::Remove(this);
}

IBaseSDK_Wr* CVeskDllWr::GetSdk() {
  return GetVeskSdkWrapper(nullptr);
}

HRESULT CVeskDllWr::TakeOverFrom(ICameraHiLevel* other) {
  return GuardResult([&] {
    auto* same = dynamic_cast<CVeskDllWr*>(other);
    if (!same)
      throw _brantel_take_error(E_INVALIDARG);
    {
      const std::lock_guard<std::recursive_mutex> guard(m_lock);
      m_cameraNumber = same->GetCameraNumber();
      // The found object goes away next; its camera is this object's now.
      same->m_givenUp = true;
      // The library's progress for the adopted number belongs to this object now.
      VeskProgressMap::Enter(m_cameraNumber, this);
    }
    ThrowIfFailed(NotifyCaptureProperties(0));
  });
}

bool CVeskDllWr::IsSameCamera(ICameraHiLevel* other) {
  if (!other)
    return false;
  try {
    IBaseSDK_Wr* mine = GetSdk();
    IBaseSDK_Wr* theirs = other->GetSdk();
    if (!mine || !theirs || std::strcmp(mine->GetSdkName(), theirs->GetSdkName()) != 0)
      return false;
    return m_cameraName == other->GetCameraName() && m_cameraType == other->GetCameraId();
  } catch (...) {
    return false;
  }
}

std::int32_t CVeskDllWr::Connect() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  const auto connect = BoundExport<Export::Connect>();
  if (!connect)
    throw _brantel_take_error(kDllFunctionMissing);
  if (m_connections > 0)
    return static_cast<std::int32_t>(++m_connections);
  int result = 0;
  try {
    result = connect(m_cameraNumber);
  } catch (const CVeskNVError& error) {
    m_connections = 0;
    CheckVeskResult(error, "Connect", this);
    throw _brantel_take_error(kCannotConnect);
  } catch (...) {
    m_connections = 0;
    FormatVeskError(kOtherError, "Connect", this);
    throw _brantel_take_error(kCannotConnect);
  }
  if (result != 0) {
    FormatVeskError(static_cast<HRESULT>(static_cast<std::uint32_t>(result) |
                                         static_cast<std::uint32_t>(kVeskFacilityBase)),
                    "Connect", this);
    throw _brantel_take_error(kCannotConnect);
  }
  m_connections = 1;
  return 1;
}

std::int32_t CVeskDllWr::DisConnect() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  const auto disconnect = BoundExport<Export::DisConnect>();
  if (!disconnect)
    throw _brantel_take_error(kDllFunctionMissing);
  if (m_connections == 0)
    return 0;
  if (--m_connections > 0)
    return static_cast<std::int32_t>(m_connections);
  try {
    if (disconnect(m_cameraNumber) != 0)
      m_connections = 1;
  } catch (const CVeskNVError& error) {
    m_connections = 1;
    CheckVeskResult(error, "DisConnect", this);
  } catch (...) {
    m_connections = 1;
    FormatVeskError(kOtherError, "DisConnect", this);
  }
  return static_cast<std::int32_t>(m_connections);
}

std::uint32_t CVeskDllWr::GetConnectionCount() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_connections;
}

void CVeskDllWr::AbandonConnection() noexcept {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_connections > 0) {
    // Close the library connection itself, not just one level of nesting.
    m_connections = 1;
    try {
      DisConnect();
    } catch (...) {
      // The count goes to 0 below whatever the library answered.
    }
  }
  m_connections = 0;
}

bool CVeskDllWr::IsCameraReady() {
  return CallAsking<Export::CameraReady>(this, [&](auto ready) { return ready(m_cameraNumber) != 0; });
}

HRESULT CVeskDllWr::SetLcdMode(std::int32_t mode) {
  return CallReturning<Export::SetLcdMode>(this, [&](auto setMode) {
    setMode(m_cameraNumber, mode);
    m_monitorMode = mode;
  });
}

HRESULT CVeskDllWr::LcdOn(std::int32_t) {
  return SetLcdMode(kMonitorOn);
}

HRESULT CVeskDllWr::LcdOff() {
  return SetLcdMode(kMonitorOff);
}

HRESULT CVeskDllWr::GetBatteryStatus(std::int32_t* level) {
  if (!level)
    return E_POINTER;
  *level = -1;
  return CallReturning<Export::GetCameraProp>(this, [&](auto getRecord) {
    std::array<std::uint8_t, VESK_CAMERA_PROP_SIZE> record{};
    getRecord(m_cameraNumber, record.data());
    *level = static_cast<std::int16_t>(tarsel::bytes::loadLe16(record, 16));
  });
}

HRESULT CVeskDllWr::ReportStatus(_ITarselCallback* callback) {
  std::string line;
  const HRESULT result = GuardResult([&] {
    const std::lock_guard<std::recursive_mutex> guard(m_lock);
    const std::int32_t focusMode = GetPropFocusMode();
    std::string focus;
    if (focusMode == 1)
      focus = "A";
    else if (focusMode == 2)
      focus = "M";
    else if (focusMode == 4)
      focus = std::to_string(GetPropFocusPosition());
    const std::int32_t zoom = GetPropOpticalZoom(nullptr);
    // The zoom with one decimal and a point whatever the user's locale; it
    // always has at least three characters, so the field width adds nothing.
    char number[32] = {};
    const auto written =
        std::to_chars(number, number + sizeof number - 1, zoom / 10.0, std::chars_format::fixed, 1);
    *written.ptr = '\0';
    line = "F=" + focus + " Z=" + number + " LCD=" + (IsLcdOn() ? "On" : "Off");
  });
  if (callback)
    callback->SetStatusText(result == 0 ? line.c_str() : "Error");
  return result;
}

void CVeskDllWr::SetExternalFlash(std::int32_t value) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_externalFlash = value;
}

std::int32_t CVeskDllWr::GetExternalFlash() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_externalFlash;
}

void CVeskDllWr::SetFlashModeTwo() {
  SetPropFlash(2);
}

void CVeskDllWr::SetResolutionOne() {
  SetPropResolution(1);
}

void CVeskDllWr::SetAperturePriority(std::int32_t aperture) {
  SetExposureProp3(3, aperture, 100000);
}

void CVeskDllWr::SetProgramAuto() {
  SetExposureProp3(2, 4, 100000);
}

void CVeskDllWr::ResetElectricZoom() {
  SetPropElectricZoom(0);
}

void CVeskDllWr::GetOpticalZoomRange(double* min, double* max) {
  const CRange range = GetRangeByName("OpticalZoom");
  if (min)
    *min = range.GetMin() == -1 ? -1.0 : range.GetMin() / 10.0;
  if (max)
    *max = range.GetMax() == -1 ? -1.0 : range.GetMax() / 10.0;
}
