#include "app/cameras/lunet/LunetWr.h"

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetExtraCameras.h"
#include "app/cameras/lunet/LunetModelTable.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetTrace.h"
#include "app/core/IBaseSDK_Wr.h"

#include <cstring>

using tarsel::lunet::CLunetConnection;
using tarsel::lunet::CLunetLock;
using tarsel::lunet::LunetCall;
using tarsel::lunet::LunetResult;

namespace {

// The control's answer to Connect when it finds no port: for the USB
// camera, that it is not plugged in.
constexpr std::uint32_t kControlFoundNoPort = 255;

HRESULT LunetCode(std::uint32_t result) {
  return static_cast<HRESULT>(static_cast<std::uint32_t>(CLunetWr::kLunetFacilityBase) | (result & 0xFFFFu));
}

// The display name of a camera the model table does not know.
std::string ExtraCameraName() {
  try {
    return tarsel::lunet::ExtraCameraName(
        tarsel::cameras::FamilyDataFolder(GetLunetSdkWrapper(nullptr)->GetSettings()));
  } catch (...) {
    return {};
  }
}

} // namespace

std::atomic<int> CLunetWr::s_hostedCount{0};

CLunetWr::CLunetWr() {
  CreatePropertyState();
}

CLunetWr::~CLunetWr() {
  if (m_hosted) {
    --s_hostedCount;
    try {
      const CLunetConnection connection(this);
      CloseCaptureProperties();
      StopPreview();
      LcdOff();
    } catch (...) {
      try {
        DisConnect();
      } catch (...) {
      }
    }
  }
  m_preview.Stop();
  DestroyPropertyState();
  DestroyControl();
}

void CLunetWr::DestroyControl() noexcept {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_Lunet.DestroyWindow();
}

IBaseSDK_Wr* CLunetWr::GetSdk() {
  return GetLunetSdkWrapper(nullptr);
}

HRESULT CLunetWr::InitCameraObject(_ISdkCallback*, HWND window) {
  if (!window)
    return 0;
  try {
    {
      const CLunetLock lock(this);
      if (!m_hosted) {
        if (!m_Lunet.Create(window, 1))
          throw _brantel_take_error(kControlNotCreated);
        m_hosted = true;
        ++s_hostedCount;
      }
    }
    LunetCall(this, "m_Lunet.SetPropPort(n)", [](CLunet& control) { control.SetPropPort(kUsbPort); });
    Identify();
    return 0;
  } catch (const _brantel_take_error& error) {
    ReportError(error.Error(), "InitCameraObject", this);
    return error.Error();
  } catch (...) {
    ReportError(E_UNEXPECTED, "InitCameraObject", this);
    return kLunetOtherError;
  }
}

HRESULT CLunetWr::TakeOverFrom(ICameraHiLevel*) {
  return LunetResult([this] { Identify(); });
}

void CLunetWr::Identify() {
  const CLunetLock lock(this);
  const CLunetConnection connection(this);
  SendRememberedSetting(kMetering, 2);
  SendRememberedSetting(kWhiteBalance, 0);
  m_cameraType =
      LunetCall(this, "GetPropCameraType", [](CLunet& control) { return control.GetPropCameraType(); });
  if (const tarsel::lunet::LunetModel* model = tarsel::lunet::FindLunetModel(m_cameraType)) {
    m_cameraName = GetPropCameraID();
    m_modelName = model->modelName;
  } else {
    m_cameraName = ExtraCameraName();
    m_modelName = m_cameraType;
  }
  LoadCameraDescription();
  NotifyCaptureProperties(0);
}

bool CLunetWr::IsSameCamera(ICameraHiLevel* other) {
  if (!other)
    return false;
  try {
    const char* mine = GetSdk()->GetSdkName();
    const char* theirs = other->GetSdk()->GetSdkName();
    return mine && theirs && std::strcmp(mine, theirs) == 0;
  } catch (...) {
    return false;
  }
}

std::int32_t CLunetWr::Connect() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_connectCount > 0)
    return static_cast<std::int32_t>(++m_connectCount);
  std::uint32_t result = 0;
  try {
    result = static_cast<std::uint32_t>(m_Lunet.Connect());
  } catch (const CLunetDispatchError& error) {
    result = error.Code() != 0 ? error.Code() : 0xFFFFu;
  }
  if (result == kControlFoundNoPort)
    throw _brantel_take_error(kNotConnected, "Cannot connect to camera.");
  if (result != 0)
    throw _brantel_take_error(LunetCode(result), "Cannot connect to camera.");
  m_connectCount = 1;
  return 1;
}

bool CLunetWr::FindsCamera() noexcept {
  try {
    {
      const CLunetLock lock(this);
      // Without a control nothing can be asked: the take-over tells.
      if (!m_Lunet.Create(nullptr, 1))
        return true;
      m_Lunet.SetPropPort(kUsbPort);
    }
    const CLunetConnection connection(this);
    return true;
  } catch (const _brantel_take_error& error) {
    return error.Error() != kNotConnected;
  } catch (...) {
    return true;
  }
}

bool CLunetWr::AnyCameraHosted() {
  return s_hostedCount.load() > 0;
}

std::int32_t CLunetWr::DisConnect() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  if (m_connectCount == 0)
    return 0;
  if (--m_connectCount == 0) {
    std::uint32_t result = 0;
    try {
      result = static_cast<std::uint32_t>(m_Lunet.DisConnect());
    } catch (const CLunetDispatchError& error) {
      result = error.Code() != 0 ? error.Code() : 0xFFFFu;
    } catch (...) {
      result = 0xFFFFu;
    }
    if (result != 0) {
      m_connectCount = 1;
      ReportError(LunetCode(result), "DisConnect", this);
    }
  }
  return static_cast<std::int32_t>(m_connectCount);
}

std::uint32_t CLunetWr::GetConnectionCount() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_connectCount;
}

void CLunetWr::DropConnection() noexcept {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  try {
    m_Lunet.DisConnect();
  } catch (...) {
    // The connection counts as lost whatever the control answers.
  }
  m_connectCount = 0;
}

void CLunetWr::ReportError(HRESULT code, const char* callText, ICameraHiLevel* camera) noexcept {
  tarsel::lunet::WriteLunetTrace(code, callText, camera);
}

bool CLunetWr::IsCameraReady() {
  try {
    // The control answers VARIANT_TRUE (-1) for a ready camera.
    return LunetCall(this, "IsCameraReady", [](CLunet& control) { return control.GetPropCameraReady(); }) !=
           0;
  } catch (...) {
    return false;
  }
}

bool CLunetWr::GetCapabilities(bool rebuild) {
  try {
    if (rebuild || CapabilitiesKnown() == 0)
      LoadCameraDescription();
  } catch (...) {
    // A profile that cannot be read leaves the capabilities unknown.
  }
  try {
    return CapabilitiesKnown() != 0;
  } catch (...) {
    return false;
  }
}

const char* CLunetWr::GetCameraName() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_cameraName.c_str();
}

const char* CLunetWr::GetCameraId() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_cameraType.c_str();
}

const char* CLunetWr::GetModelName() {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_modelName.c_str();
}

std::int32_t CLunetWr::GetRememberedSetting(RememberedSetting which) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_rememberedSettings.at(which).value;
}

bool CLunetWr::IsSettingRemembered(RememberedSetting which) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_rememberedSettings.at(which).set;
}

void CLunetWr::SendRememberedSetting(RememberedSetting which, std::int32_t value) {
  static constexpr const char* kCallTexts[kSettingCount] = {
      "m_Lunet.SetPropExpoBias(nBias)", "m_Lunet.SetPropWhiteBalance(nBalance)",
      "m_Lunet.SetPropMetering(nMetering)", "m_Lunet.SetPropIsoSpeed(nSpeed)"};
  const CLunetLock lock(this);
  LunetCall(this, kCallTexts[which], [which, value](CLunet& control) {
    switch (which) {
    case kExpoBias:
      control.SetPropExpoBias(value);
      break;
    case kWhiteBalance:
      control.SetPropWhiteBalance(value);
      break;
    case kMetering:
      control.SetPropMetering(value);
      break;
    default:
      control.SetPropIsoSpeed(value);
      break;
    }
  });
  // Remembered only once the control took it: a refused value is not sent
  // again before every later capture.
  m_rememberedSettings.at(which) = {value, true};
}

void CLunetWr::ApplyRememberedSettings() {
  for (std::size_t which = 0; which < kSettingCount; ++which) {
    const auto setting = static_cast<RememberedSetting>(which);
    if (IsSettingRemembered(setting))
      SendRememberedSetting(setting, GetRememberedSetting(setting));
  }
}
