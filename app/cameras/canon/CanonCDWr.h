// One Canon camera as the main program sees it: made by discovery for one
// source (its index and names), it owns the camera's source holder and its
// re-entrant call lock, keeps the camera in remote-release mode while it is
// in use (InitCameraObject and TakeOverFrom enter it, LeaveRemoteMode and
// the destructor leave it), releases the shutter and transfers every item a
// release announces, runs the live view through the SDK's viewfinder, and
// passes the camera's events and progress to the camera host.
//
// Threads: the user-interface thread (commands, status timer, preview
// window) and the camera host's worker call in; every operation that calls
// the SDK holds the camera's lock for its whole run. The SDK's call-backs
// (events, progress, viewfinder frames) run on the SDK's threads, take no
// lock and only call the status or preview sink, store the battery state
// and clear the preview-active flag. StopPreview returns only once no frame
// is being handed to the preview sink.
//
// Failure: operations return codes (0 success): a _brantel_take_error
// gives its code, anything else 0x8000FFFF (0x81070008 for LcdOn, LcdOff
// and InitCameraObject). SDK failures are 0x8107xxxx codes. Nothing throws
// out of an operation or a call-back.
#pragma once

#include "app/cameras/canon/CanonCapabilities.h"
#include "app/cameras/canon/CanonSource.h"
#include "app/cameras/canon/CanonSourceInfo.h"
#include "app/cameras/dialogs/CapturePropertiesHolder.h"
#include "app/core/ICameraHiLevel.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

class CCanonCD_Bracketing;
class CCanonExposureAccess;

class CanonCD_Wr : public ICameraHiLevel {
public:
  static constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);
  // Battery states (GetBatteryStatus, status 5).
  static constexpr std::uint32_t kBatteryUnknown = 0x10000;
  static constexpr std::uint32_t kBatteryEmpty = 0x10004;
  // Host status codes the camera sends.
  static constexpr std::int32_t kStatusProgress = 3;
  static constexpr std::int32_t kStatusBattery = 5;
  static constexpr std::int32_t kStatusShutterButton = 7;
  static constexpr std::int32_t kStatusCameraEvent = 8;
  // TransferPicture flags: name the picture after the camera's file.
  static constexpr std::uint32_t kNameAfterCameraFile = 2;
  static constexpr const char* kRawExtension = ".CRW";

  explicit CanonCD_Wr(const CanonSourceInfo& source);
  ~CanonCD_Wr() override;
  CanonCD_Wr(const CanonCD_Wr&) = delete;
  CanonCD_Wr& operator=(const CanonCD_Wr&) = delete;

  // The battery state of an SDK battery level.
  static std::uint32_t MapCanonBatteryLevel(std::uint32_t level);
  // "<owner> (<model>)", or "(<model>)" without an owner text.
  static std::string DisplayName(const std::string& owner, const std::string& model);

  std::recursive_mutex& CallMutex() { return m_lock; }
  // The source index; -1 when the camera has none.
  std::int32_t GetSourceIndex() const;
  CCanonSource& Source() { return *m_source; }
  CCanonCapabilities& Capabilities() { return m_capabilities; }
  bool IsEos() const { return m_eos; }

  // The model's description file in the family's data folder.
  std::string BuildProfilePath();
  // Rebuilds the capability cache from the description file.
  void LoadCameraCapabilities();

  // ICameraHiLevel
  IBaseSDK_Wr* GetSdk() override;
  HRESULT InitCameraObject(_ISdkCallback* statusSink, HWND window) override;
  HRESULT TakeOverFrom(ICameraHiLevel* other) override;
  bool WantsConnectTimeWarning() override { return false; }
  bool IsSameCamera(ICameraHiLevel* other) override;
  // The camera stays in remote-release mode while used: nothing to count.
  std::int32_t Connect() override { return 1; }
  std::int32_t DisConnect() override { return 0; }
  HRESULT LeaveRemoteMode() override;
  bool IsCameraReady() override { return m_useCount.load() > 0; }
  std::int32_t OnActivate(bool) override { return 1; }
  bool GetCapabilities(bool reload) override;
  const char* GetCameraName() override { return m_cameraName.c_str(); }
  const char* GetCameraId() override { return m_modelName.c_str(); }
  const char* GetModelName() override { return m_modelName.c_str(); }
  HRESULT LcdOn(std::int32_t mode) override;
  HRESULT LcdOff() override;
  bool IsLcdOn() override { return m_monitorOn.load(); }
  HRESULT GetBatteryStatus(std::int32_t* level) override;
  HRESULT ReportStatus(_ITarselCallback* callback) override;
  // The series with the user's settings read afresh; null when they
  // cannot be read.
  IBracketing* GetBracketing() override;
  HRESULT Capture(std::uint32_t value, bool flag) override;
  // A failure is also written to the error log (a camera unplugged during
  // the transfer among them).
  HRESULT TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) override;
  // The SDK hands every picture over and keeps no copy the program could
  // erase later: nothing is ever kept, nothing found.
  CardPicture GetKeptPicture() override { return {}; }
  HRESULT EraseKeptPicture(const CardPicture&) override { return 1; }
  HRESULT PrepareCapture(std::uint32_t value) override;
  HRESULT FirePreparedCapture() override;
  HRESULT StartPreview(_ISdkPreviewCallback* callback) override;
  HRESULT StopPreview() override;
  HRESULT PausePreview(bool) override { return 0; }
  HRESULT GetCaptureSettingsText(ICaptureProfileStorage* storage) override;
  HRESULT ApplyCaptureSettingsText(ICaptureProfileStorage* storage) override;
  HRESULT ApplyKeywordSettings(const char* keywordSettings) override;
  // The family does not download stored pictures.
  HRESULT DownloadPicture(IPictureFromCamera*, std::int32_t) override { return 1; }
  HRESULT ApplyFocusSettings(ICamExtraCommand*) override { return 1; }
  // Tells the user how to copy the pictures off the camera's storage.
  HRESULT ShowDownloadAllPictures(HWND parent, _ITarselCallback* callback) override;
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

  // The SDK's call-backs; `context` is the camera.
  static std::uint32_t OnCameraEvent(std::uint32_t event, const void* data, std::uint32_t size,
                                     void* context);
  static std::uint32_t OnProgress(std::uint32_t progress, std::uint32_t status, void* context);
  static std::uint32_t OnViewfinderFrame(const void* frame, std::uint32_t size, std::uint32_t format,
                                         void* context);

private:
  tarsel::dialogs::CCapturePropertiesHolder m_captureProperties;
  // The pause between the destructor's steps, for the SDK's threads.
  static constexpr std::chrono::milliseconds kTeardownPause{10};

  // The open source handle; 0x81070080 thrown when the source is not open.
  std::uint32_t OpenSourceHandle() const;
  bool HasOpenSource() const { return m_source && m_source->GetHandle() != 0; }
  void ReadCameraIdentity();
  void EnterRemoteMode();
  // Release (entry 308) with the flag; the pending item count becomes the
  // released items'.
  void ReleaseShutter(std::uint16_t flag);
  // Entry 100 before a release; entry 104 once its items were fetched.
  void OpenReleaseBracket();
  void CloseReleaseBracket() noexcept;
  // Entry 324, then 316 with the frame call-back.
  void StartViewfinder(std::uint32_t output);
  void StopViewfinder();
  // Switches the monitor off when the device flags ask for it around a
  // release; whether it was on.
  bool MonitorOffForRelease();
  void TransferItem(IPictureFromCamera* picture, std::uint32_t flags);
  void StatusToSink(std::int32_t code, std::intptr_t argument);
  std::uint32_t HandleEvent(std::uint32_t event, const void* data, std::uint32_t size);
  void DeliverFrame(const void* frame, std::uint32_t size);
  // Waits until no frame is being handed to the preview sink.
  void WaitForFramesInFlight();

  std::atomic<_ISdkCallback*> m_statusSink{nullptr};
  std::atomic<std::int32_t> m_previewActive{0};
  std::atomic<_ISdkPreviewCallback*> m_previewSink{nullptr};
  // Frames being handed to the preview sink right now.
  std::atomic<std::int32_t> m_framesInFlight{0};
  std::recursive_mutex m_lock;
  std::unique_ptr<CCanonSource> m_source;
  std::string m_cameraName;
  std::string m_modelName; // the source name
  std::atomic<bool> m_monitorOn{false};
  bool m_viewfinderRunning = false;
  std::uint32_t m_pendingItems = 0;
  bool m_bracketOpen = false;
  bool m_monitorWasOn = false;
  bool m_capabilitiesLoaded = false;
  std::atomic<std::int32_t> m_useCount{0};
  // The value of the last Capture since remote-release mode was entered
  // afresh (which selects release kind 2).
  std::uint32_t m_lastCaptureValue = 0;
  std::atomic<std::uint32_t> m_batteryState{kBatteryUnknown};
  bool m_eos = false;
  CCanonCapabilities m_capabilities;
  std::unique_ptr<CCanonExposureAccess> m_exposure;
  std::unique_ptr<CCanonCD_Bracketing> m_bracketing;

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
