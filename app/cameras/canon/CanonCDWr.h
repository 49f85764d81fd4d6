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

#include <memory>
#include <mutex>
#include <string>

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
  HRESULT ShowCameraInfo(HWND, _ITarselCallback*) override { return kNotImplemented; }
  HRESULT ShowCapabilityTest(HWND, _ITarselCallback*) override { return kNotImplemented; }
  HRESULT ShowDownloadAllPictures(HWND, _ITarselCallback*) override { return kNotImplemented; }
  HRESULT ShowCaptureProperties(HWND, std::int32_t, bool) override { return kNotImplemented; }
  HRESULT EnableCaptureProperties(bool) override { return kNotImplemented; }
  HRESULT NotifyCaptureProperties(std::int32_t) override { return kNotImplemented; }
  HRESULT CloseCaptureProperties() override { return kNotImplemented; }
  HRESULT ShowCameraSettings(HWND, _ITarselCallback*, std::int32_t) override { return kNotImplemented; }

private:
  std::recursive_mutex m_lock;
  std::unique_ptr<CCanonSource> m_source;
  std::string m_displayName;
  std::string m_modelName; // the source name
  CCanonCapabilities m_capabilities;
  bool m_capabilitiesLoaded = false;
};
