// The camera window: one MDI child per connected camera. It owns the
// camera's host (worker thread and series of pictures), turns the user's
// commands into camera jobs and camera calls, receives the worker's results
// as posted CameraStatusEvents, keeps the camera's status line (its own
// status bar, or the main frame's panes while its own bar is hidden) and is
// the camera's _ITarselCallback.
//
// Threads: user-interface thread only. Results of the worker arrive only as
// posted events; the window appends a new picture to the series when it
// handles the event that carries it.
//
// Automatic saves: a take that an automatic save follows leaves its picture
// on the camera's card (unless the user leaves it there anyway); the window
// follows each queued save (SaveOutcomeEvent) and queues the erase of that
// card picture only once its saver reported it saved. A picture no card
// keeps is held in the series, unsaved, until it is saved; past the held
// limits the window takes no more pictures and says so once.
//
// Failure: command and event handlers never let an exception out; they
// report it through the one user-interface guard (tarsel::ui::Guard, this
// window as parent) and the window stays usable. AttachCamera and
// ReconnectCamera report their failures the same way and do not throw.
// While the window is being destroyed nothing is shown to the user.
//
// Window handle: where a camera or ReportError wants the window's HWND it
// gets the QWidget* of this window (WindowHandle).
#pragma once

#include "app/core/CardPicture.h"
#include "app/core/ITarselCallback.h"
#include "app/frame/CommandTable.h"
#include "app/frame/CommandTarget.h"
#include "app/host/CameraWindow.h"
#include "app/host/SyncTakeTicket.h"
#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CSaveInfoFile;
class ISaveInfo;
class ICameraHiLevel;
class ICamExtraCommand;
class IBracketing;
class IChildFrameSite;
class QStatusBar;
class QLabel;
class ITarselConfigSettings;
class ITarselSettings;
class IPictureFromCamera;

namespace tarsel::host {
class CConnectedCameraHost;
class CameraStatusEvent;
} // namespace tarsel::host
namespace tarsel::saving {
class SaveOutcomeEvent;
} // namespace tarsel::saving

class CChildView;
class CWaitEvent;

// Time-outs of a camera window (tests shorten them).
struct ChildFrameOptions {
  std::chrono::milliseconds hostStopDeadline{30000};
  std::chrono::milliseconds hostStartWait{2000};
  // First battery check after a session starts, then the interval.
  std::chrono::milliseconds firstBatteryCheck{1000};
  std::chrono::milliseconds batteryInterval{60000};
  // Attaching that took longer shows the connect-time warning (families that want it).
  std::chrono::milliseconds connectTimeWarning{20000};
  // Pictures that exist only in the window (their save failed or runs, and
  // no card keeps them) at which it takes no more: by count and by bytes.
  std::size_t heldPictureLimit = 50;
  std::uint64_t heldByteLimit = std::uint64_t{512} << 20;
};

class CChildFrame : public QMdiSubWindow,
                    public _ITarselCallback,
                    public ICommandTarget,
                    public ICameraWindow {
  Q_OBJECT

public:
  using Options = ChildFrameOptions;

  explicit CChildFrame(IChildFrameSite* site, Options options = {}, QWidget* parent = nullptr);
  ~CChildFrame() override;

  // Called by the main frame.
  // Takes the camera over (it is deleted with the window's host).
  void AttachCamera(ICameraHiLevel* camera);
  // True when `fresh` is this window's camera and was taken over (the caller
  // still owns `fresh` and deletes it). A take-over that fails is reported;
  // the window is then disconnected and the answer is false.
  bool ReconnectCamera(ICameraHiLevel* fresh);
  void MarkDisconnected();
  // Asks the camera host's worker to stop, so that the windows the frame
  // closes together wait for their workers under one deadline.
  void RequestHostStop();
  // One camera's part of an all-cameras take; the ticket names its place.
  void QueueSynchronizedTake(tarsel::host::CSyncTakeTicket ticket, const ICamExtraCommand* command);
  void OfferCapabilityDetection();
  void ShowCaptureProperties(bool show);
  bool IsCameraConnected() const { return !m_disconnected; }
  // A picture never saved, or held because it exists nowhere else.
  bool HasUnsavedPictures() const;
  // True (and the user told, once until it changes) while the window holds
  // as many unsaved pictures as it may: it takes no more then.
  bool RefusesNewPictures();
  bool IsBusy() const { return m_busy; }
  bool IsBracketingRunning() const { return m_bracketing != nullptr; }
  // The program's settings, or null once the frame is gone.
  ITarselSettings* GetSettings() const;
  // The interactive save of the current picture (as "Save As..."): 0, 1223
  // (cancelled) or an error code (already reported to the user).
  HRESULT SaveCurrentPicture();
  // The same for every unsaved picture: the held ones and an unsaved current one.
  HRESULT SaveUnsavedPictures();
  void ActivateInMdiClient();

  // ICameraWindow (the camera families' dialogs and pages)
  void SetWaitingWindow(QObject* window) override;
  void ClearWaitingWindow(QObject* window) override;
  void SetWaitingEvent(std::shared_ptr<CWaitEvent> event) override;
  void ClearWaitingEvent(const std::shared_ptr<CWaitEvent>& event) override;
  bool QueueTakePicture(const ICamExtraCommand* command) override;
  bool QueueCameraCall(tarsel::host::CameraCall call) override;
  bool NotifyWaitingWindow(HRESULT code, std::intptr_t value) override;
  void RestartSession() override;
  void SetDownloading(bool downloading) override;
  void ShowLoadingPercent(std::int32_t percent) override;
  bool IsDownloading() const { return m_downloading; }
  bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                       std::function<void(HRESULT)> done) override;
  void PostCommand(UINT id) override;
  void PostOpenCameraSettings(std::int32_t firstPage) override;
  _ITarselCallback* StatusCallback() override { return this; }
  bool HasPreviewWindow() override;
  std::int32_t SetZoomDivisor(std::int32_t divisor) override;
  void BeginFocusSeries() override;
  void ShowPictureIndex(long index, long count) override;

  tarsel::host::CConnectedCameraHost* GetHost() const { return m_host.get(); }
  // The host's camera, or null.
  ICameraHiLevel* GetCamera() const;
  const QString& CameraName() const { return m_cameraName; }
  // The save information of the saves the user starts in this window, made
  // anew each time work with a camera starts; null before that.
  ISaveInfo* SaveInfo() const;
  // Texts of the window's own status bar, pane 0 .. 4.
  QString PaneText(int pane) const;
  CChildView* View() const { return m_view; }
  bool IsStatusBarShown() const { return m_statusBarShown; }
  // The window as the HWND that cameras and ReportError are given.
  HWND WindowHandle();
  // The frame is going away first: from now on the window calls nothing of it.
  void ForgetSite() { m_site = nullptr; }

  // _ITarselCallback
  bool QueryContinue(int reason) override;
  bool SetStatusText(const char* text) override;
  void SuspendPreview(bool suspend) override;

  // ICommandTarget
  bool OnUpdateCommand(UINT id, CCmdUI* state) override;
  bool OnCommand(UINT id) override;

protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

private:
  enum class LcdPreviewChoice { OnlyOne, Both };

  void StartSession(ICameraHiLevel* camera);
  void ShowConnectionState();
  void RepaintView();
  void ShowStatus(UINT stringId);
  void SetPane(int pane, const QString& text);
  bool OwnBarShown() const;
  void UpdateStatusBarPlacement(bool wasMaximized);
  // For the active window: without its own status line the window shows its
  // texts in the main bar, else the main bar's camera panes are cleared.
  void HandPanesToFrame();
  void ClearFramePanes();
  void OnMdiActivate(bool active);
  bool CheckBattery();
  void StartBatteryTimer(std::chrono::milliseconds delay);
  void OnCameraStatus(tarsel::host::CameraStatusEvent& event);
  void OnPictureTaken(tarsel::host::CameraStatusEvent& event);
  void OnSaveOutcome(const tarsel::saving::SaveOutcomeEvent& outcome);
  // Follows a queued save of `picture`, which the take kept on the card
  // until its save (card) or left there for good: held when neither.
  void FollowSave(IPictureFromCamera* picture, const CardPicture& card, bool leftInCamera);
  // An automatic save follows this window's own takes now.
  bool AutoSaveFollowsTake() const;
  void OnSynchronizedPicture(tarsel::host::CameraStatusEvent& event);
  void OnSynchronizedFailure(tarsel::host::CameraStatusEvent& event, HRESULT code);
  void OnTakePicture();
  void EndBracketing();
  void DecodeAndShow(IPictureFromCamera* picture, bool keepScroll);
  void ShowSeriesPicture(IPictureFromCamera* picture);
  // The first picture a camera's host shows opens at the largest zoom step
  // that shows it and its panel in the view.
  void ChooseOpeningZoom(IPictureFromCamera* picture);
  void ZoomTo(std::uint32_t divisor);
  void StepPicture(bool forward);
  void DeleteCurrentPicture();
  void DeleteSeries();
  void RotateCurrent(std::int32_t code);
  void CopyToClipboard();
  HRESULT SavePictures(bool wholeSeries);
  HRESULT SavePictureList(std::vector<IPictureFromCamera*> pictures);
  void OpenCameraSettings(std::int32_t firstPage);
  void MonitorOn();
  void MonitorOff();
  void SaveCaptureSettings();
  void LoadCaptureSettings();
  void TogglePreview();
  LcdPreviewChoice AskLcdOrPreview(UINT stringId);
  void RegisterCommands();
  bool IsConnectedNow() const;
  bool IsCurrentDecoded() const;
  bool HoldsPictures() const;
  bool IsStripShown() const;
  void ShowBracketingStep();
  void Report(HRESULT code);
  void Guarded(const std::function<void()>& action);
  IPictureFromCamera* CurrentPicture() const;
  // The user settings (empty when the settings cannot be opened).
  CRefPtr<ITarselConfigSettings> UserSettings(bool readOnly) const;

  IChildFrameSite* m_site;
  const Options m_options;
  std::unique_ptr<tarsel::host::CConnectedCameraHost> m_host;
  bool m_disconnected = true;
  // The user was told that the camera's last job failed: a camera lost then
  // is told once, so a takeover failing next is logged, not told again.
  bool m_jobFailureTold = false;
  bool m_unsaved = false;
  // Queued automatic saves whose outcome has not arrived, with the card
  // picture each erases after it is saved.
  struct FollowedSave {
    CRefPtr<IPictureFromCamera> picture;
    CardPicture card;
  };
  std::vector<FollowedSave> m_followedSaves;
  bool m_heldLimitTold = false;
  bool m_capabilitiesOffered = false;
  bool m_busy = false;
  bool m_downloading = false;
  bool m_statusToFrame = true;
  std::uint32_t m_zoom = 4;
  bool m_openingZoomPending = true;
  IBracketing* m_bracketing = nullptr;
  CChildView* m_view = nullptr;
  QString m_title;
  QString m_cameraName;
  std::unique_ptr<CSaveInfoFile> m_saveInfo;
  QStatusBar* m_statusBar = nullptr;
  bool m_statusBarShown = true;
  // The MDI area's active window: only that one writes into the main bar.
  bool m_current = false;
  QPointer<QObject> m_waitingWindow;
  std::shared_ptr<CWaitEvent> m_waitingEvent;
  QString m_statusText;
  std::int32_t m_battery = -1;
  int m_batteryTimer = 0;
  bool m_destroying = false;
  QLabel* m_panes[5] = {};
  tarsel::frame::CommandTable m_commands;
};
