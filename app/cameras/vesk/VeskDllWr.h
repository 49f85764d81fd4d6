// One camera on the camera-link library: the family's ICameraHiLevel. It
// counts nested connections (the library connection opens once however
// deeply calls nest), keeps the exposure settings last sent and sends them
// again before every capture, keeps the library's capture-properties record,
// transfers the picture just taken or a stored one into a picture record,
// and runs the live preview on a thread of its own (CPreviewThread),
// which the camera host holds at its gate during every camera job.
//
// Threads: the camera host's worker, the preview thread and the
// user-interface thread all call in; one re-entrant lock per camera
// serialises every call into the library, so operations nest freely. The
// library's capture and download progress reaches the status sink from the
// library's threads (see VeskProgressMap).
//
// Failure: library errors are logged once and thrown (or returned, per
// operation) as _brantel_take_error codes of facility 0x104; a missing
// export gives 0x81041000; a failed connection 0x81041001. After a library
// failure the connection count is 0.
#pragma once

#include "app/cameras/common/PreviewThread.h"
#include "app/cameras/dialogs/CapturePropertiesHolder.h"
#include "app/core/CapabilitySet.h"
#include "app/core/ICameraHiLevel.h"
#include "app/core/Range.h"
#include "app/core/RangeItem.h"
#include "hostapi/Win32Types.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct VESK_PROGRESS;
class CVeskBracketing;

class CVeskDllWr : public ICameraHiLevel {
public:
  // Words of the capture-properties record the family uses.
  static constexpr std::size_t kMediaWord = 0;
  static constexpr std::size_t kExternalFlashWord = 3;
  // Media word: captured into camera memory, not written to the card.
  static constexpr std::int32_t kBypassMedia = 2;

  // The exposure snapshot, in this order.
  enum ExposureWord : std::size_t {
    kExpoBias,
    kWhiteBalance,
    kMetering,
    kIsoSpeed,
    kAperture,
    kExposureTime,
    kProgramMode,
  };
  using ExposureSnapshot = std::array<std::int32_t, 7>;
  using CaptureRecord = std::array<std::int32_t, 8>;

  explicit CVeskDllWr(int cameraNumber);
  ~CVeskDllWr() override;
  CVeskDllWr(const CVeskDllWr&) = delete;
  CVeskDllWr& operator=(const CVeskDllWr&) = delete;

  // ICameraHiLevel
  IBaseSDK_Wr* GetSdk() override;
  HRESULT InitCameraObject(_ISdkCallback* statusSink, HWND window) override;
  HRESULT TakeOverFrom(ICameraHiLevel* other) override;
  bool WantsConnectTimeWarning() override { return false; }
  bool IsSameCamera(ICameraHiLevel* other) override;
  std::int32_t Connect() override;
  std::int32_t DisConnect() override;
  HRESULT LeaveRemoteMode() override { return 0; }
  bool IsCameraReady() override;
  std::int32_t OnActivate(bool) override { return 0; }
  bool GetCapabilities(bool reload) override;
  const char* GetCameraName() override { return m_cameraName.c_str(); }
  const char* GetCameraId() override { return m_cameraType.c_str(); }
  const char* GetModelName() override { return m_cameraType.c_str(); }
  HRESULT LcdOn(std::int32_t mode) override;
  HRESULT LcdOff() override;
  bool IsLcdOn() override { return m_monitorMode.load() == kMonitorOn; }
  HRESULT GetBatteryStatus(std::int32_t* level) override;
  HRESULT ReportStatus(_ITarselCallback* callback) override;
  // The series with the user's settings read afresh; a failure to read
  // them is thrown.
  IBracketing* GetBracketing() override;
  HRESULT Capture(std::uint32_t value, bool asynchronous) override;
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
  HRESULT DownloadPicture(IPictureFromCamera* picture, std::int32_t index) override;
  HRESULT ApplyFocusSettings(ICamExtraCommand* settings) override;
  HRESULT ShowCameraInfo(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowCapabilityTest(HWND parent, _ITarselCallback* callback) override;
  HRESULT ShowDownloadAllPictures(HWND parent, _ITarselCallback* callback) override;
  // The capture-properties dialog (user-interface thread): made on the
  // first show, with `parent` the camera window's widget; the last three do
  // nothing without it. Closing gives the camera back the digital zoom it
  // had when the dialog first read it (not after a disconnection).
  HRESULT ShowCaptureProperties(HWND parent, std::int32_t reserved, bool show) override;
  HRESULT EnableCaptureProperties(bool enable) override;
  HRESULT NotifyCaptureProperties(std::int32_t event) override;
  HRESULT CloseCaptureProperties() override;
  // The modal "Advanced Settings" sheet at `firstPage` (0 General, 1 Focus
  // Adjustment); its pages change the camera on the window's worker.
  HRESULT ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) override;

  // ---- Capabilities: the model's value lists, its ranges and its
  // camera-model file ("<model>.camd" in the family's data folder). The
  // sets and range items are made by LoadCapabilities (InitCameraObject
  // runs it); until then the lookups below find nothing. Pointers they hand
  // out stay valid until the next LoadCapabilities; every member takes the
  // camera's lock.
  static constexpr int kCapabilityCount = 11;
  // The set's index by its name ("ProgamMode", "ISOSpeed", "FlashMode",
  // "ExternalFlash", "WhiteBalance", "MeteringMode", "ExposureTime",
  // "Aperture", "ExposureBias", "Resolution", "DigitalZoom"; exact); -1 else.
  static int GetCapabilityIndex(const char* name);
  // The set of that name; null for an unknown name or before loading.
  CCapabilitySet* GetCapabilitySet(const char* name);
  // A copy of that set's range; 0..0 for an unknown name, -1..-1 before loading.
  CRange GetCapabilityRange(const char* name);
  // The model's optical-zoom range (tenths) from the family's zoom table; -1..-1 for other models.
  CRange GetDefaultOpticalZoomRange();
  // Sets the optical-zoom range (tenths); nothing is written to the file.
  virtual void SetOpticalZoomRange(long min, long max);
  // "Focus", "OpticalZoom" or "LcdBrightness" takes the range, and with
  // `save` writes it to the model file; other names do nothing. Returns 0.
  virtual HRESULT SetRangeByName(const char* name, const CRange& range, bool save);
  // Replaces the named set's values with the table's (null: none), and with
  // `save` writes the set to the model file. Returns 0.
  virtual HRESULT SetCapabilityValues(const char* name, const tarsel::core::CapabilityValue* table,
                                      bool save);
  // The model file's path into buffer when *size is larger than its length;
  // 122 otherwise. *size receives the length either way (87 without size;
  // the settings' error when the data folder is not known).
  virtual HRESULT GetCapabilityFileName(char* buffer, int* size);
  // Writes the three ranges and the eleven sets to `file` (null or empty:
  // the model file).
  virtual void SaveCapabilities(const char* file);
  // Deletes `file` (null or empty: the model file) when it exists, then
  // loads the capabilities again, so the built-in defaults apply.
  virtual void DeleteCapabilityFile(const char* file);
  // Makes the sets and ranges anew from the model file and the built-in
  // defaults; the capabilities are complete when no set is empty.
  void LoadCapabilities();
  // The model file: data folder + camera type ("/" made "_") + ".camd"; empty
  // while the camera type is unknown or the family has no settings.
  std::string GetCameraDescriptionFile();

  // The family's own operations.
  int GetCameraNumber() const { return m_cameraNumber.load(); }
  std::recursive_mutex& Mutex() { return m_lock; }
  std::uint32_t GetConnectionCount();
  // Gives the library connection up after a failure: closes it when open,
  // and the count becomes 0 whatever the nesting was. Never throws.
  void AbandonConnection() noexcept;
  // The firmware version text.
  const char* GetCameraLabel() { return m_cameraLabel.c_str(); }

  // Sends the capture-properties record when it differs from what the
  // bypass-media flag and the external-flash value ask; 0x81041000 when the
  // library lacks the export.
  HRESULT SyncCaptureProps();
  // The exposure setters: each sends its value and keeps it in the snapshot.
  void SetPropExpoBias(std::int32_t value);
  void SetPropWhiteBalance(std::int32_t value);
  void SetPropMetering(std::int32_t value);
  void SetPropIsoSpeed(std::int32_t value);
  void SetExposureProp3(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime);
  ExposureSnapshot GetExposureSnapshot();
  CaptureRecord GetCaptureRecord();

  void SetExternalFlash(std::int32_t value);
  std::int32_t GetExternalFlash();
  void SetFlashModeTwo();
  void SetResolutionOne();
  void SetAperturePriority(std::int32_t aperture);
  void SetProgramAuto();
  void ResetElectricZoom();
  bool NeedsElectricZoomReset() const { return true; }
  static bool UsesAperture(std::int32_t mode) { return mode == 3 || mode == 1; }
  static bool UsesExposureTime(std::int32_t mode) { return mode == 4 || mode == 1; }
  static bool UsesExpoBias(std::int32_t mode) { return mode != 1; }
  // The optical-zoom range as zoom factors; -1 and -1 while none is known.
  void GetOpticalZoomRange(double* min, double* max);
  // "Focus", "OpticalZoom" or "LcdBrightness"; -1..-1 while none is known.
  CRange GetRangeByName(const char* name);
  // The resolution some models use by default: 4 for the models of a few
  // model lists, else 2. Whether the camera has it, and setting it (returns it).
  bool IsModelResolution();
  std::int32_t SetModelResolution();
  static const char* GetRawFileExtension() { return ".BRF"; }
  // A constant of the family's interface; nothing in the program reads it.
  static std::int32_t GetConstantFifty() { return 50; }

  // Selects a stored picture (1-based; 0 is the preview picture).
  void SetPropCurrentPicture(std::int32_t index);
  std::int32_t GetPropPicCount();
  std::int32_t GetPropPicSize();
  std::string GetPropFileName();
  void EraseLast();
  // Downloads the current picture into buffer; false when it did not arrive
  // whole. The library's progress reaches the status sink.
  bool GetPicture(std::int32_t size, void* buffer);
  // The camera takes its preview picture (synchronously unless asked).
  void Preview(bool asynchronous);
  // Reads the preview picture into buffer.
  void GetPreview(std::int32_t size, void* buffer);
  // One preview frame into the picture; false when the camera gave an empty
  // one (the picture is then left as it was).
  bool GetPreviewPicture(IPictureFromCamera* picture);
  // True while a preview thread exists that has not ended.
  bool IsPreviewRunning() { return m_preview.IsRunning(); }

  // Camera properties. Each is one call of the library export of the same
  // name under the camera's lock and a connection of its own, and fails as
  // the class comment says; the setters of the exposure values above keep
  // the value in the snapshot.
  // The camera's clock: calendar fields that the camera keeps without a time
  // zone, exchanged as UTC. A time before 1970 or past 2106 cannot be kept
  // by the camera and is refused with E_INVALIDARG before anything is sent.
  void GetPropCameraTime(FILETIME* time);
  void SetPropCameraTime(const FILETIME& time);
  // The camera ID; once set it is also the camera's name.
  std::string GetPropCameraID();
  void SetPropCameraID(const char* text);
  std::int32_t GetPropLCDBrightness();
  void SetPropLCDBrightness(std::int32_t value);
  // True when the camera holds a memory card.
  bool GetMemoryProp();
  // The pictures stored on the card.
  std::int32_t GetCameraProp();
  std::int32_t GetRemainCount();
  // Free bytes on the card (the camera counts them in 32 unsigned bits).
  std::int64_t GetMemoryFree();
  // The lens position in tenths; `factor` (may be null) receives it as a
  // zoom factor.
  std::int32_t GetPropOpticalZoom(double* factor);
  // Switches digital zoom off and moves the lens toward `tenths`; a lens
  // that ignores small steps is nudged a tenth at a time, a bounded number
  // of times. Returns the position reached. A negative target is refused
  // with E_INVALIDARG.
  std::int32_t SetPropOpticalZoom(std::int32_t tenths, double* factor);
  std::int32_t GetPropElectricZoom();
  void SetPropElectricZoom(std::int32_t value);
  std::int32_t GetPropFlash();
  void SetPropFlash(std::int32_t value);
  // Focus modes: 1 automatic, 2 manual, 4 at a set position; 0 for anything
  // else the camera reports. Any other mode sets automatic focus.
  std::int32_t GetPropFocusMode();
  void SetPropFocusMode(std::int32_t mode);
  std::int32_t GetPropFocusPosition();
  void SetPropFocusPosition(std::int32_t value);
  std::int32_t GetPropResolution();
  void SetPropResolution(std::int32_t value);
  std::int32_t GetPropWhiteBalance();
  std::int32_t GetPropExpoBias();
  std::int32_t GetPropMetering();
  std::int32_t GetPropIsoSpeed();
  // Program mode, aperture (tenths of an f-number) and exposure time (us);
  // each pointer may be null.
  void GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime);
  // The protect flag of the current picture.
  bool GetPropProtect();
  void SetPropProtect(bool on);
  // Erases the current picture.
  void ErasePicture();

  // The library's progress: finds the camera and hands the percentage of
  // the current transfer to its status sink.
  static void OnProgress(int camera, const VESK_PROGRESS* progress, void* context);

private:
  static constexpr std::int32_t kMonitorOff = 1;
  static constexpr std::int32_t kMonitorOn = 2;

  HRESULT SetLcdMode(std::int32_t mode);
  void SendExposureSnapshot();
  void FireCapture(bool asynchronous);
  void ReadPropertiesFromCamera();
  void ReadBypassMediaSetting();
  void StoreSnapshot(ExposureWord word, std::int32_t value);
  void ReportProgress(std::uint32_t received);
  // A transfer buffer of `size` bytes; E_OUTOFMEMORY thrown when there is no room.
  static std::vector<BYTE> NewTransferBuffer(std::int32_t size);
  // The current picture of `size` bytes, downloaded whole; throws
  // E_OUTOFMEMORY or the incomplete-download error.
  std::vector<BYTE> ReadCurrentPicture(std::int32_t size);
  // One frame of the preview thread: a new picture, offered to the listener.
  bool PreviewFrame(_ISdkPreviewCallback* listener);
  // Sends the capture-properties record with the card in use again when
  // the last capture bypassed it.
  void LeaveBypassMedia();

  // Capabilities (see above).
  std::unique_ptr<CRangeItem>* FindRangeItem(const char* name);
  std::array<std::unique_ptr<CCapabilitySet>, kCapabilityCount> m_capabilities;
  std::unique_ptr<CRangeItem> m_focusRange;
  std::unique_ptr<CRangeItem> m_opticalZoomRange;
  std::unique_ptr<CRangeItem> m_lcdBrightnessRange;
  bool m_capabilitiesComplete = false;

  std::recursive_mutex m_lock;
  // The picture the last transfer kept on the card (m_lock).
  CardPicture m_keptPicture;
  std::atomic<int> m_cameraNumber;
  std::uint32_t m_connections = 0;
  // Set when another object adopted this one's camera: the camera is that
  // object's now, and this one's destructor leaves it alone.
  std::atomic<bool> m_givenUp{false};
  std::string m_cameraName;
  std::string m_cameraType;
  std::string m_cameraLabel;
  std::atomic<std::int32_t> m_monitorMode{kMonitorOff};
  bool m_bypassMedia = false;
  CaptureRecord m_captureRecord{};
  std::atomic<_ISdkCallback*> m_progressSink{nullptr};
  std::atomic<std::uint32_t> m_transferSize{0};
  std::int32_t m_externalFlash = 0;
  HWND m_window = nullptr;
  // User-interface thread; closed by the camera window before the camera goes.
  tarsel::dialogs::CCapturePropertiesHolder m_captureProperties;
  ExposureSnapshot m_exposure{0, 0, 5, 0, 28, 25000, 2};
  // Uses the lock above.
  std::unique_ptr<CVeskBracketing> m_bracketing;
  // Last: its thread calls into everything above.
  tarsel::cameras::CPreviewThread m_preview{
      [this](_ISdkPreviewCallback* listener) { return PreviewFrame(listener); }};
};
