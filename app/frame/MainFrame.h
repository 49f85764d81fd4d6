// The program's MDI frame window. It finds the connected cameras through the
// camera families, opens one camera window (CChildFrame) per camera,
// re-discovers them when a USB device arrives or leaves, starts the
// remote-control receiver, runs the all-cameras take and carries the
// frame-level commands, and owns the save queue and its thread, which
// save the pictures of automatic saves. Commands reach the active camera window first, then
// the frame; a posted command runs only when its enable test passes when it
// arrives.
//
// Threads: user-interface thread only; workers reach it only through posted
// events. Failure: no exception leaves an event handler, timer or command;
// each runs under the one user-interface guard (tarsel::ui::Guard, the frame
// as parent).
#pragma once

#include "app/core/PreviewPauseGuard.h"
#include "app/frame/AutoTakePicturesDlg.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/ChildFrameSite.h"
#include "app/frame/CommandTable.h"
#include "app/frame/CommandTarget.h"
#include "app/frame/DeviceWatcher.h"
#include "app/frame/PreviewWnd.h"
#include "app/frame/SdkFamily.h"
#include "app/receiver/RemoteCommandTarget.h"
#include "app/saving/SaveOutcomeEvent.h"
#include "app/saving/SaveThread.h"
#include "remote/MailSlotListener.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class IBaseSDK_Wr;
class IConnectedCameras;
class ITarselSettings;
class CMailslotServer;
class CHtmlHelp;
class CSaveDllList;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;

// What the frame is built with (tests replace the families, the device
// watcher and the time-outs).
struct MainFrameOptions {
  // The camera families in list order; empty: the product's (camera-link,
  // ActiveX, Canon).
  std::vector<tarsel::frame::SdkFamily> families;
  // Makes the device watcher at start-up (when UseDeviceNotifications is
  // on); empty: the product's (tarsel::frame::MakeDeviceWatcher).
  std::function<std::unique_ptr<tarsel::frame::IDeviceWatcher>()> makeDeviceWatcher;
  // The program's command line (argv); empty: QCoreApplication::arguments().
  QStringList arguments;
  // Whether start-up creates the remote-control receiver, and where it listens.
  bool remoteControl = true;
  tarsel::remote::MailSlotListener::Options mailslot;
  std::chrono::milliseconds receiverStopDeadline{10000};
  // Barrier of the all-cameras take.
  std::chrono::milliseconds takeBarrier{10000};
  ChildFrameOptions child;
  // The application's About box (command 57664); empty: the command is disabled.
  std::function<void()> about;
  // Interval of the refresh of the menus' and toolbar's enable states.
  std::chrono::milliseconds commandUpdateInterval{250};
  // The application's saver list (not owned; it outlives the frame); null:
  // there is none, and nothing is said about it.
  CSaveDllList* savers = nullptr;
  // How long the preview window waits after a move before it stores its placement.
  std::chrono::milliseconds previewPlacementDelay{500};
  // Asks where the diagnostics report goes (the empty text: cancelled);
  // empty: the report's save-file dialog.
  std::function<QString()> chooseDiagnosticsFile;
  // The clock and timer of the time-lapse dialogs the frame opens.
  tarsel::frame::TimeLapseOptions timeLapse;
};

class CMainFrame : public QMainWindow,
                   public IChildFrameSite,
                   public ICommandTarget,
                   public IRemoteCommandTarget,
                   public tarsel::saving::ISaveThreadSite,
                   public IPreviewBusyListener {
  Q_OBJECT

public:
  using Options = MainFrameOptions;

  // settings: the application's settings object (a reference is not taken;
  // the application keeps it alive longer than the frame).
  CMainFrame(ITarselSettings* settings, Options options = {}, QWidget* parent = nullptr);
  ~CMainFrame() override;

  void SetFrameStatus(UINT stringId);
  void FindCameras(IConnectedCameras* list);
  void RefreshCameras();
  // The camera-type dialog; 2 when cancelled (or when no family offers a page).
  int SelectCameraTypes();
  // False (nothing queued) when no camera window is connected.
  bool TakePictureAllCameras(std::int32_t counter, bool save);
  // A connected camera window holds as many unsaved pictures as it may (it
  // told the user): no all-cameras take starts.
  bool RefusesNewPictures();
  HRESULT SaveUnsaved();
  // Command 32778 and /AUTOSTART: the time-lapse dialog, modal; its result.
  int RunTimeLapse();
  // A time-lapse dialog that exists receives the results of the takes and
  // saves (the one made last, while it lives) instead of the frame.
  void RegisterTimeLapseDialog(QObject* dialog);
  void UnregisterTimeLapseDialog(QObject* dialog);
  // Command 32819: the Options sheet; the camera windows are redrawn when
  // the background colour changed.
  void RunOptionsDialog();
  // At most three families in list order; a count below 3 is answered with 3 and false.
  bool GetSdkList(IBaseSDK_Wr** list, int* count);
  void ShutdownSdks();

  // A new, empty camera window in the MDI client (the application's "new" command).
  CChildFrame* CreateCameraWindow();
  // The camera windows in MDI order, and the active one (or null).
  std::vector<CChildFrame*> CameraWindows() const;
  CChildFrame* ActiveCameraWindow() const;
  QMdiArea* MdiArea() const { return m_mdi; }
  // Texts of the status line: 0 the message pane, 1 .. 5 the fixed panes.
  QString PaneText(int pane) const;
  // Runs the command as a menu choice would (enable test first); false when
  // it was disabled or nobody handles it.
  bool RunCommand(UINT id);
  // The enable and check state of a command as the routing answers it now
  // (active camera window first, then the frame).
  CCmdUI CommandState(UINT id);
  // The menu and toolbar action of a command, or null.
  QAction* CommandAction(UINT id) const;
  // True once the start-up (timer 2) has run.
  bool StartupDone() const { return m_startupDone; }
  // All-cameras takes that have not ended yet.
  int RunningTakes() const { return m_runningTakes; }
  // The remote-control receiver, or null.
  CMailslotServer* Receiver() const { return m_receiver.get(); }
  tarsel::frame::IDeviceWatcher* DeviceWatcher() const { return m_deviceWatcher.get(); }
  // The live-preview window, or null.
  CPreviewWnd* PreviewWindow() const { return HasPreviewWindowNow() ? m_preview.data() : nullptr; }

  // IChildFrameSite
  QWidget* FrameWindow() override { return this; }
  ITarselSettings* GetSettings() override { return m_settings; }
  bool HasSavers() override;
  void ShowFrameMessage(const QString& text) override;
  void SetFramePaneText(int pane, const QString& text) override;
  bool QueuePictureSave(IPictureFromCamera* picture, ISaveInfo* saveInfo, const char* cameraName,
                        QObject* outcomeReceiver) override;
  bool QueueSynchronizedSave(IPictureFromCamera* picture, const char* cameraName, HRESULT code,
                             std::int32_t counter, bool save, QObject* outcomeReceiver) override;
  bool IsCaptureDialogShown() override { return m_captureDialogShown; }
  void ShowCaptureDialogFor(CChildFrame* window) override;
  void HideCaptureDialogs() override;
  void RefreshCaptureDialogs(CChildFrame* active) override;
  bool HasPreviewWindow() override;
  void OpenPreview(CChildFrame* window) override;
  void ClosePreview(CChildFrame* window = nullptr) override;
  void SetPreviewSource(CChildFrame* window) override;
  // Also the busy state of CPreviewPauseGuard: the preview stops while any
  // busy state is held and restarts when the last one ends.
  void NotifyPreviewBusy(bool busy) override;
  void PostActivateChild(CChildFrame* window) override;
  void ChildClosed(CChildFrame* window) override;
  HRESULT SavePicturesInteractive(CChildFrame* window, IPictureFromCamera* const* pictures,
                                  int count) override;

  // ICommandTarget
  bool OnUpdateCommand(UINT id, CCmdUI* state) override;
  bool OnCommand(UINT id) override;

  // IRemoteCommandTarget
  void PostFrameCommand(UINT id) override;

  // ISaveThreadSite
  CSaveDllWrapper* ChooseSaver() override;
  void ReportError(HRESULT code) override;
  void SetReadyStatus() override;
  bool GetAutoSaveAfterTaking() override;

  // Jobs waiting in the save queue (0 once the queue is stopped).
  std::size_t SaveQueueLength() const;

  // From now on closing asks nothing, even when a question about unsaved
  // pictures is open already (a termination request); the error log names
  // the windows whose pictures were left unsaved.
  void CloseWithoutAsking() { m_closeWithoutAsking = true; }

signals:
  // An all-cameras take ended: every camera of it has reported.
  void takeEnded();
  // RefreshCameras ended.
  void camerasRefreshed();

protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  // Command 32837: appends a section to the report file the user chooses.
  void WriteDiagnosticsReport();
  void CreateCommands();
  void RegisterCommands();
  QAction* AddCommand(QMenu* menu, UINT id, const QString& text, const QKeySequence& shortcut = {},
                      bool checkable = false);
  void UpdateCommands();
  void RefreshCamerasOnce();
  // True while an all-cameras take runs or a camera window's worker has a job.
  bool CamerasAtWork() const;
  // Posts the refresh that waited for the cameras, once they rest.
  void RefreshIfCamerasRest();
  void OnStartup();
  void OnDeviceArrived();
  void OnDeviceRemoved();
  void OfferCapabilityDetection();
  void ApplyCommandLineProfiles();
  void ShowFrameMessageText(const QString& text);
  void ShowNoSaversMessage();
  void OnMessageChanged(const QString& text);
  void OnSaveResult(std::int32_t kind, HRESULT code);
  void OnSaveOutcome(const tarsel::saving::SaveOutcomeEvent& outcome);
  void OnSaveQueueLength(std::size_t length);
  void StartSaveThread();
  void StopDeviceAndRemote();
  void StoreWindowPlacement();
  void EndReporting();
  bool HasPreviewWindowNow() const { return m_preview && !m_preview->IsClosed(); }
  void OnPreviewClosed(CPreviewWnd* window, std::uintptr_t code);
  QStringList Arguments() const;
  HWND Hwnd() { return static_cast<HWND>(static_cast<QWidget*>(this)); }

  ITarselSettings* const m_settings;
  Options m_options;
  QMdiArea* m_mdi = nullptr;
  bool m_captureDialogShown = false;
  QPointer<CPreviewWnd> m_preview;
  int m_previewBusy = 0;
  QString m_storedStatus;
  std::unique_ptr<CMailslotServer> m_receiver;
  std::unique_ptr<tarsel::frame::IDeviceWatcher> m_deviceWatcher;
  std::unique_ptr<CHtmlHelp> m_help;
  QLabel* m_panes[5] = {};
  std::vector<QAction*> m_actions;
  QTimer m_arrivalTimer;
  QTimer m_commandTimer;
  // Windows that closed but are not destroyed yet. Kept as plain objects: a
  // window in its destructor is no longer a CChildFrame, and its pointer
  // must not be cast back to one while Qt still reports on it.
  std::vector<QPointer<QObject>> m_closedWindows;
  std::unique_ptr<tarsel::saving::CSaveThread> m_saveThread;
  // The latest all-cameras take. Each take's own context counts its cameras
  // and reports its end, and carries its counter and save flag to its
  // results, so takes may overlap.
  tarsel::saving::AllCamerasTake m_take;
  // Open time-lapse dialogs, in the order they were made.
  std::vector<QPointer<QObject>> m_timeLapseDialogs;
  int m_runningTakes = 0;
  bool m_startupDone = false;
  bool m_reporting = false;
  bool m_placementRestored = false;
  bool m_destroyed = false;
  bool m_closeWithoutAsking = false;
  bool m_refreshing = false;
  bool m_refreshAgain = false;
  bool m_refreshAfterWork = false;
  bool m_noSaversMessagePending = false;
  // A failed save was told; the next one is told only after a save succeeded.
  bool m_saveFailureTold = false;
  tarsel::frame::CommandTable m_commands;
};
