// The one camera that the Lunet control drives: the ActiveX family's
// ICameraHiLevel. Every camera access is one call of the control proxy
// (m_Lunet) under the call discipline of LunetCall.h: the camera's lock, a
// nested connection (the control's own connection is open exactly while the
// count is above 0), and on a control failure the connection dropped, one
// trace in the error log and _brantel_take_error 0x81030000 | code.
//
// The control is made on the first InitCameraObject and lives as long as
// the object. Four capture settings the control cannot read back (exposure
// bias, white balance, metering, ISO speed) are remembered once the control
// has accepted them and sent again before every capture. The live preview
// runs on a thread of its own (CPreviewThread), held at its gate during
// camera jobs.
//
// Threads: the camera host's worker, the user-interface thread and the
// preview thread all call in. m_lock is re-entrant, so operations nest; the
// control, which serialises its members under its own process-wide lock, may
// be called from any thread that holds m_lock (camera lock first, always).
//
// Failure: interface operations return the error's code (0x8000FFFF for
// anything foreign, 0x810300FF in the operations the class notes);
// 0x81031002 when the control cannot be made (a later InitCameraObject tries
// again); 0x81030003 when the control finds no camera on the port (a USB
// camera that is not plugged in). The property operations at the end throw.
#pragma once

#include "app/cameras/common/PreviewThread.h"
#include "app/cameras/dialogs/CapturePropertiesHolder.h"
#include "app/cameras/lunet/Lunet.h"
#include "app/cameras/lunet/LunetBracketing.h"
#include "app/cameras/lunet/LunetCapabilities.h"
#include "app/cameras/lunet/LunetCaptureCamera.h"
#include "app/core/CapabilitySet.h"
#include "app/core/ICameraHiLevel.h"
#include "app/core/Range.h"
#include "app/core/RangeD.h"
#include "hostapi/Win32Types.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class IPictureInfo;

class CLunetWr : public ICameraHiLevel {
public:
  // The control's error facility, as codes 0x81030000 | code.
  static constexpr HRESULT kLunetFacilityBase = static_cast<HRESULT>(0x81030000u);
  // The control cannot be made.
  static constexpr HRESULT kControlNotCreated = static_cast<HRESULT>(0x81031002u);
  // A foreign failure in the operations that do not give 0x8000FFFF.
  static constexpr HRESULT kLunetOtherError = static_cast<HRESULT>(0x810300FFu);
  // No stored picture to transfer, or a picture the camera reports empty.
  static constexpr HRESULT kNoPicture = static_cast<HRESULT>(0x81030002u);
  // No camera on the port: the camera library's "no port available".
  static constexpr HRESULT kNotConnected = static_cast<HRESULT>(0x81030003u);
  // The USB port of the control.
  static constexpr std::int32_t kUsbPort = 160;
  static constexpr std::int32_t kMonitorOff = 1;
  static constexpr std::int32_t kMonitorOn = 2;

  // The remembered settings, in this order.
  enum RememberedSetting : std::size_t { kExpoBias, kWhiteBalance, kMetering, kIsoSpeed, kSettingCount };

  CLunetWr();
  ~CLunetWr() override;
  CLunetWr(const CLunetWr&) = delete;
  CLunetWr& operator=(const CLunetWr&) = delete;

  // ICameraHiLevel
  IBaseSDK_Wr* GetSdk() override;
  // With a null window nothing happens. Gives 0x810300FF for foreign failures.
  HRESULT InitCameraObject(_ISdkCallback* statusSink, HWND window) override;
  // Reads the camera's identity afresh; the argument is not used.
  HRESULT TakeOverFrom(ICameraHiLevel* other) override;
  bool WantsConnectTimeWarning() override { return true; }
  bool IsSameCamera(ICameraHiLevel* other) override;
  std::int32_t Connect() override;
  std::int32_t DisConnect() override;
  // Whether the control finds the camera on the USB port now: a connection
  // opened and closed, the control made first when the object has none. A
  // camera that is there but fails counts as found. Never throws.
  bool FindsCamera() noexcept;
  // Whether a camera window holds one of the family's camera objects (one
  // whose control InitCameraObject made for a window). Any thread.
  static bool AnyCameraHosted();
  HRESULT LeaveRemoteMode() override { return 0; }
  // Any nonzero reading of the control's ready flag is ready.
  bool IsCameraReady() override;
  std::int32_t OnActivate(bool) override { return 0; }
  bool GetCapabilities(bool rebuild) override;
  const char* GetCameraName() override;
  const char* GetCameraId() override;
  const char* GetModelName() override;
  HRESULT LcdOn(std::int32_t mode) override;
  HRESULT LcdOff() override;
  bool IsLcdOn() override { return m_lcdMode.load() == kMonitorOn; }
  HRESULT GetBatteryStatus(std::int32_t* level) override;
  // "F=%s Z=%#3.1lf LCD=%s"; "Error" when a reading fails.
  HRESULT ReportStatus(_ITarselCallback* callback) override;
  IBracketing* GetBracketing() override;
  HRESULT Capture(std::uint32_t value, bool asynchronous) override;
  // The newest stored picture; flags bit 0 keeps it on the camera, bit 1
  // names the record after the camera's file. No stored picture, or one the
  // camera reports empty, gives kNoPicture before anything is erased.
  HRESULT TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) override;
  CardPicture GetKeptPicture() override;
  HRESULT EraseKeptPicture(const CardPicture& picture) override;
  HRESULT PrepareCapture(std::uint32_t value) override;
  HRESULT FirePreparedCapture() override;
  HRESULT StartPreview(_ISdkPreviewCallback* callback) override;
  HRESULT StopPreview() override;
  HRESULT PausePreview(bool pause) override;
  HRESULT GetCaptureSettingsText(ICaptureProfileStorage* storage) override;
  HRESULT ApplyCaptureSettingsText(ICaptureProfileStorage* storage) override;
  HRESULT ApplyKeywordSettings(const char* keywordSettings) override;
  // A picture the camera reports empty gives kNoPicture and leaves the
  // record as it was.
  HRESULT DownloadPicture(IPictureFromCamera* picture, std::int32_t index) override;
  HRESULT ApplyFocusSettings(ICamExtraCommand* settings) override;
  HRESULT ShowCameraInfo(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowCapabilityTest(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowDownloadAllPictures(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowCaptureProperties(HWND parent, std::int32_t reserved, bool show) override;
  HRESULT EnableCaptureProperties(bool enable) override;
  HRESULT NotifyCaptureProperties(std::int32_t event) override;
  HRESULT CloseCaptureProperties() override;
  HRESULT ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) override;

  // ---- The call discipline (LunetCall.h).
  std::recursive_mutex& Lock() { return m_lock; }
  CLunet& Proxy() { return m_Lunet; }
  std::uint32_t GetConnectionCount();
  // After a control failure: the control's DisConnect once (its result and
  // failure ignored) and the count 0, whatever the nesting was. Never throws.
  void DropConnection() noexcept;
  // The trace of a failed control call in the error log (LunetTrace.h).
  static void ReportError(HRESULT code, const char* callText, ICameraHiLevel* camera) noexcept;

  // ---- Remembered settings: the value last accepted by the control, and
  // whether one was; metering starts at 2. Under the camera's lock.
  std::int32_t GetRememberedSetting(RememberedSetting which);
  bool IsSettingRemembered(RememberedSetting which);
  // Sends the value (disciplined) and remembers it once the control took it;
  // a refusal is thrown and leaves what was remembered.
  void SendRememberedSetting(RememberedSetting which, std::int32_t value);

  // ---- Hooks of the capability store, the bracketing series and the
  // picture information, defined with them.
  // Makes the bracketing series and the capability store (constructor).
  void CreatePropertyState();
  // Deletes the bracketing series and releases the capability store
  // (destructor, after the control's last call). Never throws.
  void DestroyPropertyState() noexcept;
  // Starts the series when it is enabled and at step 0, then applies the
  // current step (Capture).
  void ApplyBracketingStep();
  // The information of a transferred picture (may be null): from the tag
  // record, the picture's size and the remembered white balance and ISO speed.
  std::unique_ptr<IPictureInfo> MakePictureInfo(const std::vector<std::uint8_t>& tag, std::int32_t size);
  // Rebuilds the capability store from the model's profile (identification).
  void LoadCameraDescription();
  // 1 when every capability set is known.
  std::int32_t CapabilitiesKnown();

private:
  struct Remembered {
    std::int32_t value = 0;
    bool set = false;
  };

  HRESULT SetLcdMode(std::int32_t mode);
  void Identify();
  void ApplyRememberedSettings();
  // The current picture's tag record and its bytes (`size` of them, all).
  std::vector<std::uint8_t> ReadPicTag();
  std::vector<std::uint8_t> ReadPicture(std::int32_t size, const char* callText);
  // One preview round: a new picture with one frame, offered to the listener.
  bool PreviewFrame(_ISdkPreviewCallback* listener);
  void DestroyControl() noexcept;

  bool m_hosted = false;
  static std::atomic<int> s_hostedCount;
  std::string m_modelName;
  std::string m_cameraName;
  std::string m_cameraType;
  std::atomic<std::int32_t> m_lcdMode{kMonitorOff};
  std::array<Remembered, kSettingCount> m_rememberedSettings{
      {{0, false}, {0, false}, {2, false}, {0, false}}};
  CLunet m_Lunet;
  std::uint32_t m_connectCount = 0;
  std::recursive_mutex m_lock;
  // The picture the last transfer kept on the camera (m_lock).
  CardPicture m_keptPicture;

  // The destructor stops its thread before anything goes.
  tarsel::cameras::CPreviewThread m_preview{
      [this](_ISdkPreviewCallback* listener) { return PreviewFrame(listener); }};

public:
  // Property operations
  // The family's own operations on the camera, in this order. Members they
  // need go in the private part at the end of this block.
  // Defined in LunetWrProperties.cpp unless marked "(LunetWrPictures.cpp)".
  void GetPropCameraTime(FILETIME* time);
  void SetPropCameraTime(const FILETIME& time);
  void SetPropCameraID(const char* text);
  std::int32_t GetPropLCDBrightness();
  void SetPropLCDBrightness(std::int32_t value);
  bool GetMemoryProp();
  // (LunetWrPictures.cpp)
  std::int32_t GetPropPicCount();
  std::int32_t GetCameraProp();
  std::int32_t GetRemainCount();
  std::int64_t GetMemoryFree();
  CRangeD GetOpticalZoomRange();
  void SetOpticalZoomRange(const CRange& range);
  // (LunetWrPictures.cpp)
  std::int32_t GetPropOpticalZoom(double* factor);
  std::int32_t SetPropOpticalZoom(std::int32_t target, double* factor);
  std::int32_t GetPropElectricZoom();
  void SetPropElectricZoom(std::int32_t value);
  void ResetElectricZoom();
  bool NeedsElectricZoomReset();
  std::int32_t GetPropFlash();
  void SetPropFlash(std::int32_t value);
  void SetFlashOff();
  std::int32_t SetExternalFlash(std::int32_t value);
  std::int32_t GetExternalFlash();
  // (LunetWrPictures.cpp)
  std::int32_t GetPropFocusMode();
  void SetPropFocusMode(std::int32_t mode);
  // (LunetWrPictures.cpp)
  std::int32_t GetPropFocusPosition();
  void SetPropFocusPosition(std::int32_t value);
  // (LunetWrPictures.cpp)
  std::string GetPropFileName();
  std::int32_t GetPropResolution();
  void SetPropResolution(std::int32_t value);
  bool IsResolutionHigh();
  std::int32_t SetResolutionHigh();
  void SetResolutionLow();
  std::int32_t GetPropWhiteBalance();
  void SetPropWhiteBalance(std::int32_t value);
  std::int32_t GetPropExpoBias();
  void SetPropExpoBias(std::int32_t value);
  std::int32_t GetPropMetering();
  void SetPropMetering(std::int32_t value);
  std::int32_t GetPropIsoSpeed();
  void SetPropIsoSpeed(std::int32_t value);
  void GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime);
  void SetExposureProp3(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime);
  static bool ModeSetsAperture(std::int32_t mode);
  static bool ModeSetsExposureTime(std::int32_t mode);
  static bool ModeUsesExposureBias(std::int32_t mode);
  void SetAperturePriority(std::int32_t aperture);
  void SetProgramAuto();
  // (LunetWrPictures.cpp)
  static const char* GetRawFileExtension();
  // (LunetWrPictures.cpp)
  void SetPropCurrentPicture(std::int32_t index);
  bool GetPropProtect();
  void SetPropProtect(bool on);
  // (LunetWrPictures.cpp)
  void EraseLast();
  void ErasePicture();
  std::int32_t GetConstantValue(std::int32_t ignored);
  CRange GetRange(const char* name);
  void SetRange(const char* name, const CRange& range, bool store);
  const tarsel::core::CapabilityValue* GetCapabilityTable(const char* name);
  void SetCapability(const char* name, CCapabilitySet& set, bool store);
  CRange GetCapabilityRange(const char* name);
  void GetModelProfilePath(char* buffer, int* size);
  void SaveModelProfile(const char* path);
  void DeleteModelProfile(const char* path);
  // (LunetWrPictures.cpp)
  std::string GetPropCameraID();
  // (LunetWrPictures.cpp)
  void Preview();
  // (LunetWrPictures.cpp) `buffer` holds `size` bytes; false when the camera
  // gave fewer.
  bool GetPreview(std::int32_t size, void* buffer);
  // (LunetWrPictures.cpp) False when the camera gave an empty frame.
  bool GetPreviewPicture(IPictureFromCamera* picture);
  // (LunetWrPictures.cpp) `buffer` holds `size` bytes; false when the camera
  // gave fewer.
  bool GetPicture(std::int32_t size, void* buffer);
  // (LunetWrPictures.cpp)
  std::int32_t GetPropPicSize();

private:
  // Property state.
  // The model profile: `path` when one is given, else the model's file.
  std::string ModelProfileFile(const char* path);

  tarsel::lunet::CLunetCapabilities m_capabilities;
  std::unique_ptr<tarsel::lunet::ILunetCaptureCamera> m_captureCamera;
  std::unique_ptr<CLunetBracketing> m_bracketing;
  std::int32_t m_externalFlash = 0;
  // The capture-properties dialog while it exists (user-interface thread).
  tarsel::dialogs::CCapturePropertiesHolder m_captureProperties;
};
