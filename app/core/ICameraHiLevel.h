// One connected camera as the main program sees it. Each camera family
// implements it once; the family's SDK object creates one per camera found.
// The connected-camera list owns a new object until a camera window takes it
// over; from then on the window's camera host owns it and deletes it through
// the virtual destructor.
//
// Threads: the user-interface thread (dialogs, status, settings) and the
// camera host's worker thread (jobs) both call in; each family serialises its
// own calls into its SDK, the interface promises no more.
//
// Results: operations that act on the camera return a code laid out like an
// HRESULT, 0 meaning success; callers hand it to ThrowIfFailed.
//
// Where the families' operations and the core's callers name different
// arguments, this header settles one form for all three families:
// - InitCameraObject takes the status sink and the window; a family ignores
//   what it does not need, and both may be null (re-discovery passes none).
// - TakeOverFrom, TransferPicture, PrepareCapture, ApplyCaptureSettingsText
//   and DownloadPicture have no trailing reserved word.
// - Capture takes the option word and an asynchronous flag.
// - GetCapabilities (reload) answers whether the capabilities are known,
//   loading them first when reload is true or they are not loaded yet.
// - LcdOn takes a mode word; the menu passes 0 and the families ignore it.
// - GetBatteryStatus writes the level (negative: no reading) and returns a code.
// - ApplyFocusSettings takes the extra command whose GetCommand yields the
//   focus mode and the focus position.
// - The dialog operations take the parent window and the camera window's
//   call-back, ShowCameraSettings also the first page, and all of them
//   return a code.
// - Connect and DisConnect return the nesting count of the family's
//   connection (families that do not count return a constant); the camera
//   host does not test it, and a failed connection throws.
#pragma once

#include "TarselCore_export.h"
#include "app/core/CardPicture.h"
#include "hostapi/Win32Types.h"

#include <cstdint>

class IBaseSDK_Wr;
class IBracketing;
class ICamExtraCommand;
class ICaptureProfileStorage;
class IPictureFromCamera;
class _ISdkCallback;
class _ISdkPreviewCallback;
class _ITarselCallback;

class TARSELCORE_EXPORT ICameraHiLevel {
public:
  virtual ~ICameraHiLevel() = default;

  // The family's SDK object; never null.
  virtual IBaseSDK_Wr* GetSdk() = 0;
  // First initialisation after discovery: keeps the status sink, loads the
  // model's capabilities, opens the camera; 0 means the camera is usable.
  virtual HRESULT InitCameraObject(_ISdkCallback* statusSink, HWND window) = 0;
  // Adopts the device of a freshly found object that stands for this camera.
  virtual HRESULT TakeOverFrom(ICameraHiLevel* other) = 0;
  // A constant of the family: the camera window times the first connection.
  virtual bool WantsConnectTimeWarning() = 0;
  virtual bool IsSameCamera(ICameraHiLevel* other) = 0;
  virtual std::int32_t Connect() = 0;
  virtual std::int32_t DisConnect() = 0;
  virtual HRESULT LeaveRemoteMode() = 0;
  virtual bool IsCameraReady() = 0;
  virtual std::int32_t OnActivate(bool active) = 0;
  virtual bool GetCapabilities(bool reload) = 0;
  // Window and preview title, key of capture profiles on the command line.
  virtual const char* GetCameraName() = 0;
  virtual const char* GetCameraId() = 0;
  // The model whose capability profile is used.
  virtual const char* GetModelName() = 0;
  virtual HRESULT LcdOn(std::int32_t mode) = 0;
  virtual HRESULT LcdOff() = 0;
  virtual bool IsLcdOn() = 0;
  // Negative level: no reading; bit 16 clear: a percentage in the low 16
  // bits; bit 16 set: 0x10001 OK .. 0x10004 very low.
  virtual HRESULT GetBatteryStatus(std::int32_t* level) = 0;
  // Composes the status line and hands it to the call-back's SetStatusText.
  virtual HRESULT ReportStatus(_ITarselCallback* callback) = 0;
  // Null when no bracketing series can run.
  virtual IBracketing* GetBracketing() = 0;
  virtual HRESULT Capture(std::uint32_t value, bool asynchronous) = 0;
  // Flags bit 0 keeps the picture on the card, bit 1 names the record after
  // the camera's file.
  virtual HRESULT TransferPicture(IPictureFromCamera* picture, std::uint32_t flags) = 0;
  // Where the picture of the last successful TransferPicture with bit 0
  // lies on the card; not IsKnown when it is not on a card (a family that
  // keeps no copy the program could erase, a picture that bypassed the card).
  virtual CardPicture GetKeptPicture() = 0;
  // Erases exactly that picture: selects it by number and checks its file
  // name, looking for the name among the stored pictures when the number
  // moved. 0 erased, 1 not found (nothing erased), else the camera's failure
  // (nothing erased).
  virtual HRESULT EraseKeptPicture(const CardPicture& picture) = 0;
  virtual HRESULT PrepareCapture(std::uint32_t value) = 0;
  virtual HRESULT FirePreparedCapture() = 0;
  // Frames reach the call-back on the family's preview thread.
  virtual HRESULT StartPreview(_ISdkPreviewCallback* callback) = 0;
  virtual HRESULT StopPreview() = 0;
  virtual HRESULT PausePreview(bool pause) = 0;
  virtual HRESULT GetCaptureSettingsText(ICaptureProfileStorage* storage) = 0;
  // 0 when something was applied, 1 when nothing was, else an error code.
  virtual HRESULT ApplyCaptureSettingsText(ICaptureProfileStorage* storage) = 0;
  // Zero-terminated items ended by an empty item; 0, or the warning code of
  // the last value that had no match.
  virtual HRESULT ApplyKeywordSettings(const char* keywordSettings) = 0;
  // Index: the 1-based number of the stored picture.
  virtual HRESULT DownloadPicture(IPictureFromCamera* picture, std::int32_t index) = 0;
  // 1 when the settings are null or give no focus values.
  virtual HRESULT ApplyFocusSettings(ICamExtraCommand* settings) = 0;
  virtual HRESULT ShowCameraInfo(HWND parent, _ITarselCallback* callback) = 0;
  virtual HRESULT ShowCapabilityTest(HWND parent, _ITarselCallback* callback) = 0;
  virtual HRESULT ShowDownloadAllPictures(HWND parent, _ITarselCallback* callback) = 0;
  // The modeless capture-properties dialog; reserved is 0.
  virtual HRESULT ShowCaptureProperties(HWND parent, std::int32_t reserved, bool show) = 0;
  virtual HRESULT EnableCaptureProperties(bool enable) = 0;
  // 0 refresh the values, 1 refresh the zoom, 2 the camera was disconnected.
  virtual HRESULT NotifyCaptureProperties(std::int32_t event) = 0;
  virtual HRESULT CloseCaptureProperties() = 0;
  virtual HRESULT ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) = 0;
};
