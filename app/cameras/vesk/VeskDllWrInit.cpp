// The first initialisation of a camera object, and the operations whose
// features the family does not offer yet.
#include "app/cameras/vesk/VeskDllWr.h"

#include "app/cameras/vesk/VeskCall.h"
#include "app/cameras/vesk/VeskProgressMap.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

using namespace tarsel::vesk;

namespace {

// The family's key below the program's SDK settings.
constexpr const char* kSettingsKey = "BRANTEL_SDK3.4";

// The export, or 0x81041000 thrown when the library lacks it.
template <Export E> typename ExportType<E>::type Require() {
  const auto function = BoundExport<E>();
  if (!function)
    throw _brantel_take_error(kDllFunctionMissing);
  return function;
}

std::string TextOf(const char* text) {
  return text ? text : "";
}

} // namespace

void CVeskDllWr::ReadBypassMediaSetting() {
  bool bypass = false;
  try {
    ITarselSettings* factory = GetVeskSdkWrapper(nullptr)->GetSettings();
    ICamSdkSettings* settings = nullptr;
    if (factory && factory->GetSdkSettings(kSettingsKey, &settings, true) == 0 && settings) {
      try {
        bypass = settings->GetDWord("BypassMedia", 0) != 0;
      } catch (...) {
        bypass = false;
      }
      settings->Release();
    }
  } catch (...) {
    // No settings: the default.
  }
  m_bypassMedia = bypass;
}

void CVeskDllWr::ReadPropertiesFromCamera() {
  const int number = m_cameraNumber;
  ExposureSnapshot values = m_exposure;
  values[kExpoBias] = Require<Export::GetPropExpoBias>()(number);
  values[kWhiteBalance] = Require<Export::GetPropWhiteBalance>()(number);
  values[kMetering] = Require<Export::GetPropMetering>()(number);
  values[kIsoSpeed] = Require<Export::GetPropIsoSpeed>()(number);
  int mode = 0;
  int aperture = 0;
  int exposureTime = 0;
  Require<Export::GetExposureProp3>()(number, &mode, &aperture, &exposureTime);
  values[kProgramMode] = mode;
  values[kAperture] = aperture;
  values[kExposureTime] = exposureTime;
  m_exposure = values;
}

HRESULT CVeskDllWr::InitCameraObject(_ISdkCallback* statusSink, HWND window) {
  const std::lock_guard<std::recursive_mutex> guard(m_lock);
  // Each step's name goes into the error log when it fails.
  const char* step = "InitCameraObject";
  try {
    m_progressSink = statusSink;
    ReadBypassMediaSetting();
    m_cameraType.clear();
    VeskProgressMap::Enter(m_cameraNumber, this);
    Connect();
    const int number = m_cameraNumber;
    step = "GetPropConnectCamera";
    m_cameraType = TextOf(Require<Export::GetPropConnectCamera>()(number));
    step = "GetCameraID";
    m_cameraName = TextOf(Require<Export::GetPropCameraID>()(number));
    step = "m_PerisheableProperties.GetPropsFromCamera";
    ReadPropertiesFromCamera();
    step = "LoadCameraCapabilities";
    if (!m_cameraType.empty()) {
      try {
        LoadCapabilities();
      } catch (const _brantel_take_error& error) {
        // A model file that cannot be brought up to date: not the library's
        // failure, so it is logged here.
        FormatVeskError(error.Error(), step, this);
        throw;
      }
    }
    step = "InitCameraObject";
    if (const auto firmware = BoundExport<Export::GetFirmwareVersion>())
      m_cameraLabel = TextOf(firmware(number));
    DisConnect();
    m_window = window;
    return 0;
  } catch (const CVeskNVError& error) {
    AbandonConnection();
    CheckVeskResult(error, step, this);
    return VeskErrorToHResult(error);
  } catch (const _brantel_take_error& error) {
    // A missing export, or a connection that failed (and logged itself).
    AbandonConnection();
    return error.Error();
  } catch (...) {
    AbandonConnection();
    FormatVeskError(kOtherError, step, this);
    return kOtherError;
  }
}
