// The camera object's life: construction and teardown, identity, the first
// initialisation, remote-release mode and taking over a re-detected
// camera's source, the status line and the download hint.
#include "app/cameras/canon/CanonCDWr.h"

#include "app/cameras/canon/CanonCDBracketing.h"
#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/canon/CanonCDSettingsCamera.h"
#include "app/cameras/canon/CanonCall.h"
#include "app/cameras/canon/CanonCaptureSettings.h"
#include "app/cameras/canon/CanonDeviceProps.h"
#include "app/cameras/canon/CanonExposureAccess.h"
#include "app/cameras/canon/CanonFailureReport.h"
#include "app/cameras/canon/CanonResultGuard.h"
#include "app/cameras/common/FamilyDataFolder.h"
#include "app/core/ITarselCallback.h"
#include "app/core/StringIds.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/ResText.h"
#include "env/BrantelTakeError.h"

#include <QWidget>

#include <charconv>
#include <thread>

using tarsel::canon::CameraCallLock;
using tarsel::canon::GuardResult;
namespace cd = tarsel::cdsdk;

namespace {

// "%#3.1lf" without the locale: one decimal, at least three characters.
std::string FormatZoom(double zoom) {
  char digits[64] = {};
  const auto result = std::to_chars(digits, digits + sizeof digits - 1, zoom, std::chars_format::fixed, 1);
  std::string text(digits, result.ptr);
  if (text.size() < 3)
    text.insert(0, 3 - text.size(), ' ');
  return text;
}

} // namespace

CanonCD_Wr::CanonCD_Wr(const CanonSourceInfo& source)
    : m_source(std::make_unique<CCanonSource>(source.index)), m_cameraName(source.displayName),
      m_modelName(source.sourceName), m_exposure(std::make_unique<CCanonExposureAccess>(*this)),
      m_bracketing(std::make_unique<CCanonCD_Bracketing>(m_exposure.get())) {}

CanonCD_Wr::~CanonCD_Wr() {
  // Each step on its own: a failing one does not keep the others from
  // running. Steps that need the camera are skipped when its source is closed.
  if (HasOpenSource()) {
    StopPreview();
    std::this_thread::sleep_for(kTeardownPause);
    CloseCaptureProperties();
    LcdOff();
    std::this_thread::sleep_for(kTeardownPause);
  }
  LeaveRemoteMode();
  const CameraCallLock lock(m_lock);
  m_bracketing.reset();
  // The holder forces remote-release mode off and closes the source.
  m_source.reset();
}

std::uint32_t CanonCD_Wr::MapCanonBatteryLevel(std::uint32_t level) {
  switch (level) {
  case 2:
    return 0x10004;
  case 3:
    return 0x10003;
  case 4:
    return 0x10002;
  case 6:
    return 0x10001;
  default:
    return kBatteryUnknown;
  }
}

std::string CanonCD_Wr::DisplayName(const std::string& owner, const std::string& model) {
  return owner + (owner.empty() ? "" : " ") + "(" + model + ")";
}

std::int32_t CanonCD_Wr::GetSourceIndex() const {
  return m_source ? static_cast<std::int32_t>(m_source->GetSourceIndex()) : -1;
}

std::uint32_t CanonCD_Wr::OpenSourceHandle() const {
  const std::uint32_t handle = m_source ? m_source->GetHandle() : 0;
  // Without an open source every call would name an unknown handle.
  if (handle == 0)
    ThrowIfCanonError(cd::kErrDeviceNotFound, "the camera's source is not open");
  return handle;
}

IBaseSDK_Wr* CanonCD_Wr::GetSdk() {
  return GetCanonCDSdkWrapper(nullptr);
}

void CanonCD_Wr::ReadCameraIdentity() {
  m_source->Open();
  try {
    m_modelName = m_source->GetSourceName();
    CCanonDeviceProps props(m_source->GetHandle());
    m_deviceFlags = props.GetDeviceFlags();
    m_deviceFlagsKnown = true;
    m_eos = props.GetModelText().find("EOS") != std::string::npos;
    m_cameraName = DisplayName(props.GetOwnerText(), m_modelName);
    m_cameraLabel = props.GetFirmwareText();
  } catch (...) {
    m_source->Close();
    throw;
  }
  m_source->Close();
}

HRESULT CanonCD_Wr::InitCameraObject(_ISdkCallback* statusSink, HWND) {
  const char* step = "InitCameraObject";
  try {
    const CameraCallLock lock(m_lock);
    m_statusSink = statusSink;
    if (!m_source)
      m_source = std::make_unique<CCanonSource>(0);
    ReadCameraIdentity();
    if (statusSink) {
      EnterRemoteMode();
      step = "LoadCameraCapabilities";
      LoadCameraCapabilities();
    }
    return 0;
  } catch (const _brantel_take_error& error) {
    ReportCanonFailure(error, step, this);
    return error.Error();
  } catch (...) {
    ReportCanonFailure(_brantel_take_error(tarsel::canon::kCanonUnexpectedOther), step, this);
    return tarsel::canon::kCanonUnexpected;
  }
}

void CanonCD_Wr::EnterRemoteMode() {
  const std::uint32_t count = m_source->EnterRemoteRelease(&CanonCD_Wr::OnCameraEvent, this);
  m_useCount = static_cast<std::int32_t>(count);
  if (count != 1)
    return;
  // Entered afresh: the SDK selected release kind 2 again, so the next
  // capture selects its own kind whatever value came before.
  m_lastCaptureValue = 0;
  std::uint32_t ignored = 0;
  ThrowIfFailed(GetPropWhiteBalance(&ignored));
  ThrowIfFailed(GetPropFlash(&ignored));
  ThrowIfFailed(GetPropIsoSpeed(&ignored));
}

HRESULT CanonCD_Wr::TakeOverFrom(ICameraHiLevel* other) {
  return GuardResult([&] {
    auto* fresh = dynamic_cast<CanonCD_Wr*>(other);
    if (!fresh || fresh == this)
      throw _brantel_take_error(E_INVALIDARG);
    const CameraCallLock lock(m_lock);
    const CameraCallLock otherLock(fresh->m_lock);
    const bool liveView = m_previewActive.load() != 0 || m_monitorOn.load();
    LeaveRemoteMode();
    fresh->m_useCount = 0;
    // The fresh object's destructor releases this object's old holder.
    std::swap(m_source, fresh->m_source);
    EnterRemoteMode();
    if (liveView)
      StartViewfinder(m_monitorOn.load() ? cd::kViewfinderOutputMonitorOn : cd::kViewfinderOutputMonitorOff);
    NotifyCaptureProperties(0);
  });
}

bool CanonCD_Wr::IsSameCamera(ICameraHiLevel* other) {
  if (!other)
    return false;
  const char* sdk = GetSdk()->GetSdkName();
  const char* otherSdk = other->GetSdk()->GetSdkName();
  const char* name = other->GetCameraName();
  const char* id = other->GetCameraId();
  return sdk && otherSdk && std::string_view(sdk) == otherSdk && name && m_cameraName == name && id &&
         m_modelName == id;
}

HRESULT CanonCD_Wr::LeaveRemoteMode() {
  const CameraCallLock lock(m_lock);
  if (!m_source)
    return 0;
  // The source closes when the count reaches 0: live view cannot stay on.
  // Leaving never fails; a viewfinder that does not stop goes with the source.
  if (m_source->GetUseCount() == 1)
    GuardResult([&] { StopViewfinder(); });
  m_useCount = static_cast<std::int32_t>(m_source->LeaveRemoteRelease());
  if (m_useCount.load() == 0)
    m_viewfinderRunning = false;
  return 0;
}

std::string CanonCD_Wr::BuildProfilePath() {
  return CCanonCapabilities::ProfilePath(tarsel::cameras::FamilyDataFolder(GetSdk()->GetSettings()),
                                         GetModelName());
}

void CanonCD_Wr::LoadCameraCapabilities() {
  const CameraCallLock lock(m_lock);
  m_capabilities.Load(BuildProfilePath());
  m_capabilitiesLoaded = true;
}

bool CanonCD_Wr::GetCapabilities(bool reload) {
  try {
    const CameraCallLock lock(m_lock);
    if (reload || !m_capabilitiesLoaded)
      LoadCameraCapabilities();
    return m_capabilities.IsComplete();
  } catch (...) {
    return false;
  }
}

IBracketing* CanonCD_Wr::GetBracketing() {
  try {
    return m_bracketing->Init(GetSdk()->GetSettings()) == 0 ? m_bracketing.get() : nullptr;
  } catch (...) {
    return nullptr;
  }
}

HRESULT CanonCD_Wr::GetBatteryStatus(std::int32_t* level) {
  if (level)
    *level = -1;
  return GuardResult([&] {
    const CameraCallLock lock(m_lock);
    CCanonDeviceProps props(OpenSourceHandle());
    const std::uint32_t state = MapCanonBatteryLevel(props.GetBatteryLevel());
    m_batteryState = state;
    if (level)
      *level = static_cast<std::int32_t>(state);
  });
}

HRESULT CanonCD_Wr::ReportStatus(_ITarselCallback* callback) {
  if (!callback)
    return E_POINTER;
  const HRESULT result = GuardResult([&] {
    const CameraCallLock lock(m_lock);
    if (m_useCount.load() < 1) {
      callback->SetStatusText("");
      return;
    }
    std::uint32_t index = 0;
    ThrowIfFailed(GetPropAFDistance(&index));
    const char* label = "?";
    const tarsel::core::CapabilityValue* table =
        tarsel::canon::CanonCapabilityDefaults()[tarsel::canon::kAfDistance].table;
    std::uint32_t rows = 0;
    while (table && table[rows].label)
      ++rows;
    if (index < rows)
      label = table[index].label;
    double zoom = 0.0;
    ThrowIfFailed(GetPropOpticalZoom(nullptr, &zoom));
    const std::string text =
        std::string("AFD=") + label + " Z=" + FormatZoom(zoom) + " LCD=" + (IsLcdOn() ? "On" : "Off");
    callback->SetStatusText(text.c_str());
  });
  if (result != 0)
    GuardResult([&] { callback->SetStatusText("Error"); });
  return result;
}

HRESULT CanonCD_Wr::GetCaptureSettingsText(ICaptureProfileStorage* storage) {
  return GuardResult([&] {
    ThrowIfFailed(tarsel::canon::WriteCaptureSettingsText(*MakeCanonSettingsCamera(*this), storage));
  });
}

HRESULT CanonCD_Wr::ApplyCaptureSettingsText(ICaptureProfileStorage* storage) {
  HRESULT result = 0;
  const HRESULT failure = GuardResult(
      [&] { result = tarsel::canon::ApplyCaptureSettingsText(*MakeCanonSettingsCamera(*this), storage); });
  return failure != 0 ? failure : result;
}

HRESULT CanonCD_Wr::ApplyKeywordSettings(const char* keywordSettings) {
  HRESULT result = 0;
  const HRESULT failure = GuardResult([&] {
    result = tarsel::canon::ApplyKeywordSettings(*MakeCanonSettingsCamera(*this), keywordSettings);
  });
  return failure != 0 ? failure : result;
}

HRESULT CanonCD_Wr::ShowDownloadAllPictures(HWND parent, _ITarselCallback*) {
  return GuardResult([&] {
    tarsel::ui::AskUser(static_cast<QWidget*>(parent),
                        tarsel::ui::ResText(tarsel::core::ids::IDS_DOWNLOAD_WITH_FILE_MANAGER),
                        tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Information, "Tarsel");
  });
}
