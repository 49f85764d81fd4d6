// A camera of the fake family, for tests of windows, camera hosts, the
// preview and savers without a camera. It takes and serves small JPEG
// pictures (or bytes the test sets), keeps the state the interface changes
// (connection depth, monitor, dialogs ...), and lets the test script each
// operation: an error code for its next N calls, a delay, and a call count.
//
// Scripted failures: code-returning operations return the code; Connect and
// DisConnect throw it as _brantel_take_error (as the families' counted
// connections do); bool operations answer false.
//
// Takes (Capture, FirePreparedCapture) are counted and, when the variable
// TARSEL_TEST_CAMERA_TAKES names a file, appended to it as a line
// "<camera name> take <n>", so a test can see the takes of a program it runs.
//
// GetSdk answers the family that made the camera; it is valid while that
// family lives.
//
// Threads: every member may be called from any thread. The preview runs on
// a thread of its own, which hands frames (records holding one reference
// for the call) to the preview call-back until it answers false or
// StopPreview joins it; PausePreview holds it between frames.
#pragma once

#include "app/core/ICameraHiLevel.h"
#include "app/testcamera/OperationScript.h"
#include "hostapi/Win32Types.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::testcamera {

class FakeCameraFamily;
struct FamilyTracker;

enum class CameraOp {
  InitCameraObject,
  TakeOverFrom,
  Connect,
  DisConnect,
  LeaveRemoteMode,
  IsCameraReady,
  LcdOn,
  LcdOff,
  GetBatteryStatus,
  ReportStatus,
  Capture,
  TransferPicture,
  EraseKeptPicture,
  PrepareCapture,
  FirePreparedCapture,
  StartPreview,
  StopPreview,
  PausePreview,
  GetCaptureSettingsText,
  ApplyCaptureSettingsText,
  ApplyKeywordSettings,
  DownloadPicture,
  ApplyFocusSettings,
  ShowCameraInfo,
  ShowCapabilityTest,
  ShowDownloadAllPictures,
  ShowCaptureProperties,
  EnableCaptureProperties,
  NotifyCaptureProperties,
  CloseCaptureProperties,
  ShowCameraSettings,
};

class FakeCamera : public ICameraHiLevel {
public:
  // The raw extension given to records whose bytes are not JPEG or TIFF.
  static constexpr const char* kRawExtension = ".TST";
  // The variable that names the file of takes.
  static constexpr const char* kTakeRecordVariable = "TARSEL_TEST_CAMERA_TAKES";

  FakeCamera(FakeCameraFamily* family, std::shared_ptr<FamilyTracker> tracker, int index);
  FakeCamera(const FakeCamera&) = delete;
  FakeCamera& operator=(const FakeCamera&) = delete;
  ~FakeCamera() override;

  OperationScript<CameraOp>& script() { return m_script; }
  const OperationScript<CameraOp>& script() const { return m_script; }

  // Test settings.
  void setNames(const std::string& name, const std::string& id, const std::string& model);
  void setWantsConnectTimeWarning(bool wants);
  void setCapabilitiesKnown(bool known);
  void setBatteryLevel(std::int32_t level);
  // Pictures taken and downloaded are JPEGs of this size, numbered from 1.
  void setPictureSize(int width, int height);
  // Serve these bytes instead of a JPEG (a TIFF or raw file, or garbage).
  void setPictureBytes(std::vector<BYTE> bytes);
  void setStoredPictureCount(int count);
  // Pause between two preview frames.
  void setPreviewInterval(std::chrono::milliseconds interval);

  // What the camera saw.
  int index() const { return m_index; }
  // Unique among the cameras of the family: 1, 2, ... in the order made.
  int serial() const { return m_serial; }
  int connectDepth() const;
  bool previewRunning() const;
  _ISdkCallback* statusSink() const;
  std::uint32_t lastCaptureValue() const;
  std::uint32_t lastTransferFlags() const;
  // The file names EraseKeptPicture erased, in order (the camera keeps no
  // card: a transfer with bit 0 keeps its picture as "TST_<n>.JPG").
  std::vector<std::string> erasedPictures() const;
  int picturesTaken() const;
  // The steady_clock time of the last take; none before the first.
  std::optional<std::chrono::steady_clock::time_point> lastTakeTime() const;
  int previewFramesDelivered() const { return m_framesDelivered.load(); }
  std::string lastKeywordSettings() const;
  std::string appliedCaptureSettings() const;
  // Mode and position of the last ApplyFocusSettings that carried them.
  bool lastFocus(std::int32_t* mode, std::int32_t* position) const;
  bool capturePropertiesShown() const;
  bool capturePropertiesEnabled() const;
  std::int32_t lastCapturePropertiesEvent() const;
  std::int32_t lastSettingsPage() const;
  // The bytes the next picture gets (the JPEG of `number`, or the set bytes).
  std::vector<BYTE> pictureBytes(int number) const;

  IBaseSDK_Wr* GetSdk() override;
  HRESULT InitCameraObject(_ISdkCallback* statusSink, HWND window) override;
  HRESULT TakeOverFrom(ICameraHiLevel* other) override;
  bool WantsConnectTimeWarning() override;
  bool IsSameCamera(ICameraHiLevel* other) override;
  std::int32_t Connect() override;
  std::int32_t DisConnect() override;
  HRESULT LeaveRemoteMode() override;
  bool IsCameraReady() override;
  std::int32_t OnActivate(bool active) override;
  bool GetCapabilities(bool reload) override;
  const char* GetCameraName() override;
  const char* GetCameraId() override;
  const char* GetModelName() override;
  HRESULT LcdOn(std::int32_t mode) override;
  HRESULT LcdOff() override;
  bool IsLcdOn() override;
  HRESULT GetBatteryStatus(std::int32_t* level) override;
  HRESULT ReportStatus(_ITarselCallback* callback) override;
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
  HRESULT ShowCaptureProperties(HWND parent, std::int32_t reserved, bool show) override;
  HRESULT EnableCaptureProperties(bool enable) override;
  HRESULT NotifyCaptureProperties(std::int32_t event) override;
  HRESULT CloseCaptureProperties() override;
  HRESULT ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) override;

private:
  void PreviewLoop();
  // Counts a take and appends it to the file of takes; m_lock held.
  void RecordTake();
  // Ends the preview thread and waits for it; no call-back runs afterwards.
  void StopPreviewThread();
  // Fills the record with the bytes of picture `number`.
  void FillPicture(IPictureFromCamera* picture, int number, bool withInfo);

  FakeCameraFamily* const m_family;
  const std::shared_ptr<FamilyTracker> m_tracker;
  const int m_index;
  int m_serial = 0;
  OperationScript<CameraOp> m_script;

  mutable std::mutex m_lock;
  std::string m_name;
  std::string m_id;
  std::string m_model;
  bool m_wantsConnectTimeWarning = false;
  bool m_capabilitiesKnown = true;
  std::int32_t m_batteryLevel = 0x10001;
  int m_pictureWidth = 64;
  int m_pictureHeight = 48;
  std::vector<BYTE> m_pictureBytes; // empty: serve JPEGs
  int m_storedPictures = 3;
  int m_connectDepth = 0;
  bool m_lcdOn = false;
  _ISdkCallback* m_statusSink = nullptr;
  std::uint32_t m_lastCaptureValue = 0;
  std::uint32_t m_lastTransferFlags = 0;
  CardPicture m_keptPicture;
  std::vector<std::string> m_erased;
  int m_picturesTaken = 0;
  std::optional<std::chrono::steady_clock::time_point> m_lastTakeTime;
  std::string m_keywordSettings;
  std::string m_captureSettings;
  bool m_focusGiven = false;
  std::int32_t m_focusMode = 0;
  std::int32_t m_focusPosition = 0;
  bool m_capturePropertiesShown = false;
  bool m_capturePropertiesEnabled = true;
  std::int32_t m_capturePropertiesEvent = -1;
  std::int32_t m_settingsPage = -1;

  // Preview: the call-back and the gate under m_lock, woken by m_wake.
  std::condition_variable m_wake;
  _ISdkPreviewCallback* m_previewCallback = nullptr;
  bool m_previewRun = false;
  bool m_previewPaused = false;
  std::chrono::milliseconds m_previewInterval{5};
  bool m_previewThreadDone = false;
  std::mutex m_previewControl; // serialises starting and stopping the thread
  std::thread m_previewThread;
  std::atomic<int> m_framesDelivered{0};
};

} // namespace tarsel::testcamera
