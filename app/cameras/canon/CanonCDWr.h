// One Canon camera as the main program sees it, as far as discovery needs
// it so far: made for the source discovery chose (its index and names),
// it owns the camera's source and its re-entrant call lock, loads the
// model's cached capabilities, and answers every other operation with
// E_NOTIMPL (0x80004001).
//
// Threads: the user-interface thread and the camera's worker; every
// operation that reaches the SDK holds the camera's lock. Failure: see
// ICameraHiLevel; nothing throws out of an operation.
#pragma once

#include "app/cameras/canon/CanonCapabilities.h"
#include "app/cameras/canon/CanonSource.h"
#include "app/cameras/canon/CanonSourceInfo.h"
#include "app/core/ICameraHiLevel.h"

#include <QPointer>

#include <memory>
#include <mutex>
#include <string>

namespace tarsel::dialogs {
class CCapturePropertiesDialog;
}

class CanonCD_Wr : public ICameraHiLevel {
public:
  static constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);

  explicit CanonCD_Wr(const CanonSourceInfo& source);
  ~CanonCD_Wr() override;
  CanonCD_Wr(const CanonCD_Wr&) = delete;
  CanonCD_Wr& operator=(const CanonCD_Wr&) = delete;

  std::recursive_mutex& CallMutex() { return m_lock; }
  // The source index; -1 when the camera has none.
  std::int32_t GetSourceIndex() const;
  CCanonSource& Source() { return *m_source; }
  CCanonCapabilities& Capabilities() { return m_capabilities; }

  // The model's description file in the family's data folder.
  std::string BuildProfilePath();
  // Rebuilds the capability cache from the description file.
  void LoadCameraCapabilities();

  IBaseSDK_Wr* GetSdk() override;
  HRESULT InitCameraObject(_ISdkCallback* statusSink, HWND window) override;
  HRESULT TakeOverFrom(ICameraHiLevel* other) override;
  bool WantsConnectTimeWarning() override { return false; }
  bool IsSameCamera(ICameraHiLevel* other) override;
  // The camera stays in remote-release mode while used: nothing to count.
  std::int32_t Connect() override { return 1; }
  std::int32_t DisConnect() override { return 0; }
  HRESULT LeaveRemoteMode() override;
  bool IsCameraReady() override { return false; }
  std::int32_t OnActivate(bool) override { return 0; }
  bool GetCapabilities(bool reload) override;
  const char* GetCameraName() override { return m_displayName.c_str(); }
  const char* GetCameraId() override { return ""; }
  const char* GetModelName() override;
  HRESULT LcdOn(std::int32_t) override { return kNotImplemented; }
  HRESULT LcdOff() override { return kNotImplemented; }
  bool IsLcdOn() override { return false; }
  HRESULT GetBatteryStatus(std::int32_t* level) override;
  HRESULT ReportStatus(_ITarselCallback*) override { return kNotImplemented; }
  IBracketing* GetBracketing() override { return nullptr; }
  HRESULT Capture(std::uint32_t, bool) override { return kNotImplemented; }
  HRESULT TransferPicture(IPictureFromCamera*, std::uint32_t) override { return kNotImplemented; }
  HRESULT PrepareCapture(std::uint32_t) override { return kNotImplemented; }
  HRESULT FirePreparedCapture() override { return kNotImplemented; }
  HRESULT StartPreview(_ISdkPreviewCallback*) override { return kNotImplemented; }
  HRESULT StopPreview() override { return kNotImplemented; }
  HRESULT PausePreview(bool) override { return kNotImplemented; }
  HRESULT GetCaptureSettingsText(ICaptureProfileStorage*) override { return kNotImplemented; }
  HRESULT ApplyCaptureSettingsText(ICaptureProfileStorage*) override { return kNotImplemented; }
  HRESULT ApplyKeywordSettings(const char*) override { return kNotImplemented; }
  HRESULT DownloadPicture(IPictureFromCamera*, std::int32_t) override { return kNotImplemented; }
  HRESULT ApplyFocusSettings(ICamExtraCommand*) override { return kNotImplemented; }
  HRESULT ShowDownloadAllPictures(HWND, _ITarselCallback*) override { return kNotImplemented; }
  // The family's dialogs (CanonCDWrDialogs.cpp): each runs over the camera
  // window `parent`, whose worker makes every camera call.
  HRESULT ShowCameraInfo(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowCapabilityTest(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowCaptureProperties(HWND parent, std::int32_t, bool show) override;
  HRESULT EnableCaptureProperties(bool enable) override;
  HRESULT NotifyCaptureProperties(std::int32_t event) override;
  HRESULT CloseCaptureProperties() override;
  // The fine zoom dialog, whatever the page asked for.
  HRESULT ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t) override;

private:
  QPointer<tarsel::dialogs::CCapturePropertiesDialog> m_captureProperties;
  std::recursive_mutex m_lock;
  std::unique_ptr<CCanonSource> m_source;
  std::string m_displayName;
  std::string m_modelName; // the source name
  CCanonCapabilities m_capabilities;
  bool m_capabilitiesLoaded = false;

  // Property operations
  // The camera's own operations for the family's dialogs, capture-settings
  // texts and bracketing: each reads or sets one setting through the SDK
  // under the camera's lock and returns 0 or an error code, its outputs
  // cleared first. A setter of a capability the camera does not offer
  // (HasCapability) does nothing and returns 0. Those marked "no lock" do
  // not reach the SDK.
public:
  const char* GetCameraLabel(); // no lock
  HRESULT SetPropCameraID(const char* text);
  // The camera's clock as a UTC file time.
  HRESULT GetPropCameraTime(FILETIME* out);
  HRESULT SetPropCameraTime(FILETIME time);
  HRESULT HasMedia(bool* out);
  HRESULT GetPropPicCountAlias(std::uint32_t* out);
  HRESULT GetPropPicCount(std::uint32_t* out);
  HRESULT GetRemainCount(std::uint32_t* out);
  HRESULT GetMemoryFree(std::uint64_t* out);
  HRESULT GetOpticalZoomRange(CRangeD* out); // no lock; (-1, -1, 0.0, 0.0) when unknown
  HRESULT GetPropOpticalZoom(std::int32_t* position, double* factor);
  HRESULT SetPropOpticalZoom(std::int32_t position, std::int32_t* actual, double* factor);
  // Steps past the highest optical position; -1 when none is in use.
  HRESULT GetDigitalZoomSteps(std::int32_t* out);
  HRESULT SetDigitalZoomSteps(std::int32_t step);
  HRESULT LeaveDigitalZoom();
  HRESULT GetPropFlash(std::uint32_t* out);
  HRESULT SetPropFlash(std::uint32_t mode);
  HRESULT SetPropFlashOff();
  // 8 when the AF lock can be switched (probed once, on cameras whose device
  // flags offer it), else 0.
  HRESULT GetAFLockSupport(std::uint32_t* out);
  HRESULT GetPropAFDistance(std::uint32_t* out);
  HRESULT SetPropAFDistance(std::uint32_t value);
  HRESULT SetAFLock(bool lock, bool* state);
  HRESULT GetAFLock(bool* out); // no lock
  // A position in the resolution set; -1 when unknown.
  HRESULT GetPropResolution(std::int32_t* out);
  HRESULT SetPropResolution(std::int32_t index);
  HRESULT GetPropWhiteBalance(std::uint32_t* out);
  HRESULT SetPropWhiteBalance(std::uint32_t code);
  HRESULT GetPropExpoBias(std::uint32_t* out);
  HRESULT SetPropExpoBias(std::uint32_t value);
  HRESULT GetPropMetering(std::uint32_t* out);
  HRESULT SetPropMetering(std::uint32_t value);
  HRESULT GetPropIsoSpeed(std::uint32_t* out);
  HRESULT SetPropIsoSpeed(std::uint32_t code);
  HRESULT GetExposure(std::uint32_t* program, std::uint32_t* aperture, std::uint32_t* exposureTime);
  // The program mode, then the aperture and the exposure time where the mode uses them.
  HRESULT SetExposure(std::uint32_t program, std::uint32_t aperture, std::uint32_t exposureTime);
  bool IsApertureSettable(std::uint32_t program);     // no lock
  bool IsExposureTimeSettable(std::uint32_t program); // no lock
  bool IsExpoBiasSettable(std::uint32_t program);     // no lock
  const char* GetRawFileExtension();                  // no lock
  // Questions the camera for its capabilities and rebuilds the cache (nothing saved).
  HRESULT ObtainCapabilitiesFromCamera(class _ICapabilitiesCallback* log);
  // The rows of a capability by its exact name ("Resolution", "ProgamMode",
  // "ISOSpeed" ...); null for an unknown name or a capability not offered.
  const tarsel::core::CapabilityValue* GetValueTable(const char* name); // no lock
  // Copies the description file's path when *size exceeds its length; *size = its length.
  void GetProfileFileName(char* buffer, std::uint32_t* size); // no lock
  // The cache to the description file (null or empty: the model's). Throws on a failed write.
  void SaveCapabilitiesToFile(const char* path);
  // Deletes the description file when it exists and reloads. Throws when it cannot be deleted.
  void DeleteCapabilityProfile(const char* path); // no lock
  // The capability set (tarsel::canon::Capability) exists and is not marked unsupported.
  bool HasCapability(int capability);

private:
  std::uint32_t SourceHandle() const;
  // The device flags, read once from the camera when nothing read them yet.
  std::uint32_t DeviceFlags();
  std::uint32_t m_deviceFlags = 0;
  bool m_deviceFlagsKnown = false;
  std::string m_cameraLabel;
  std::uint32_t m_afLockSupport = 0; // the focus-capability word
  bool m_afLockState = false;
  std::uint32_t m_whiteBalanceCode = 0;
  std::uint32_t m_flashCode = 0;
  std::uint32_t m_isoCode = 0;
};
