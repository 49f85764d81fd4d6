#include "app/frame/ChildFrame.h"

#include "app/core/IBracketing.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/BatteryStatus.h"
#include "app/frame/ChildFrameInternals.h"
#include "app/frame/ChildFrameSite.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/OpenCameraSettingsEvent.h"
#include "app/frame/StatusPanes.h"
#include "app/frame/WindowIcons.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"
#include "app/host/WaitEvent.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/saving/SaveInfoFile.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/CameraConnectGuard.h"
#include "app/ui/ClipboardGuard.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/UiGuard.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <new>
#include <string>

using namespace tarsel::frame::detail;
namespace cmd = tarsel::frame::cmd;
using tarsel::host::CameraStatusEvent;
using tarsel::host::CConnectedCameraHost;

// Runs one handler: a failure is reported (never while the window is being
// destroyed) and the window stays usable.
void CChildFrame::Guarded(const std::function<void()>& action) {
  tarsel::ui::Guard(this, action, m_destroying ? tarsel::ui::Reporting::Quiet : tarsel::ui::Reporting::Show);
}

CChildFrame::CChildFrame(IChildFrameSite* site, Options options, QWidget* parent)
    : QMdiSubWindow(parent), m_site(site), m_options(options) {
  tarsel::host::ReserveTarselEventTypes();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(tarsel::frame::WindowIcon(tarsel::frame::kCameraWindowIcon));

  auto* content = new QWidget(this);
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_view = new CChildView(this, content);
  layout->addWidget(m_view, 1);
  m_statusBar = new QStatusBar(content);
  m_statusBar->setSizeGripEnabled(false);
  for (int pane = 0; pane < 5; ++pane) {
    m_panes[pane] = new QLabel(m_statusBar);
    if (pane == 0) {
      tarsel::frame::FitMessagePane(m_panes[pane]);
      m_statusBar->addWidget(m_panes[pane], 1);
      continue;
    }
    m_panes[pane]->setFrameShape(QFrame::Panel);
    m_panes[pane]->setFrameShadow(QFrame::Sunken);
    tarsel::frame::FitStatusPane(m_panes[pane], static_cast<tarsel::frame::StatusPane>(pane));
    m_statusBar->addPermanentWidget(m_panes[pane]);
  }
  layout->addWidget(m_statusBar);
  setWidget(content);
  setFocusProxy(m_view);
  m_statusBarShown = true;

  tarsel::ui::ConnectGuarded(this, &QMdiSubWindow::windowStateChanged, this,
                             [this](Qt::WindowStates oldState, Qt::WindowStates newState) {
                               const bool wasActive = oldState.testFlag(Qt::WindowActive);
                               const bool isActive = newState.testFlag(Qt::WindowActive);
                               if (wasActive != isActive)
                                 OnMdiActivate(isActive);
                             });
  RegisterCommands();
}

void CChildFrame::RequestHostStop() {
  if (m_host)
    m_host->RequestStop();
}

ITarselSettings* CChildFrame::GetSettings() const {
  return m_site ? m_site->GetSettings() : nullptr;
}

ISaveInfo* CChildFrame::SaveInfo() const {
  return m_saveInfo.get();
}

CChildFrame::~CChildFrame() {
  m_destroying = true;
  // The base class still changes the window's state while it is destroyed;
  // from here on that must not reach this class.
  disconnect(this, nullptr, this, nullptr);
  if (m_batteryTimer) {
    killTimer(m_batteryTimer);
    m_batteryTimer = 0;
  }
  // Results still queued are handled now (pictures of an all-cameras take
  // still reach the save queue; every synchronized take gets its answer),
  // without boxes.
  tarsel::ui::Quietly([&] { QCoreApplication::sendPostedEvents(this, WM_TARSEL_CAMERA_STATUS); });
  tarsel::ui::Quietly([&] {
    if (ICameraHiLevel* camera = GetCamera())
      camera->LcdOff();
  });
  // The camera's dialog goes with its window, before its host can drop the
  // camera on another thread.
  tarsel::ui::Quietly([&] {
    if (ICameraHiLevel* camera = GetCamera())
      camera->CloseCaptureProperties();
  });
  tarsel::ui::Quietly([&] {
    if (m_site)
      m_site->ClosePreview(this);
  });
  // The main bar keeps nothing of a window that is gone.
  tarsel::ui::Quietly([&] {
    if (m_site && m_current && !OwnBarShown())
      ClearFramePanes();
  });
  tarsel::ui::Quietly([&] {
    if (m_host)
      m_host->Stop();
  });
  m_host.reset();
  // What the worker posted between the drain and the stop goes undelivered;
  // a synchronized take's ticket then reports its camera as failed.
  QCoreApplication::removePostedEvents(this, WM_TARSEL_CAMERA_STATUS);
  tarsel::ui::Quietly([&] {
    if (m_site)
      m_site->ChildClosed(this);
  });
}

// Attaching and reconnecting ------------------------------------------------

void CChildFrame::AttachCamera(ICameraHiLevel* camera) {
  std::unique_ptr<ICameraHiLevel> owned(camera);
  if (!owned)
    return;
  const auto started = std::chrono::steady_clock::now();
  Guarded([&] {
    std::unique_ptr<CConnectedCameraHost> host;
    try {
      host = std::make_unique<CConnectedCameraHost>(owned.get(), m_options.hostStopDeadline,
                                                    m_options.hostStartWait);
    } catch (const std::bad_alloc&) {
      ThrowError(static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY));
    }
    static_cast<void>(owned.release());
    if (m_host) {
      // The preview of the camera that goes ends first.
      if (m_site)
        m_site->ClosePreview(this);
      if (ICameraHiLevel* previous = m_host->GetCamera())
        previous->CloseCaptureProperties();
      m_host->Stop();
      m_host.reset();
      QCoreApplication::removePostedEvents(this, WM_TARSEL_CAMERA_STATUS);
    }
    m_host = std::move(host);
    // A new host starts at its own zoom; its first picture chooses the opening one.
    m_zoom = static_cast<std::uint32_t>(m_host->GetZoomDivisor());
    m_openingZoomPending = true;
    m_disconnected = true;
    if (!m_host->Start(this, WindowHandle()))
      return;
    try {
      StartSession(m_host->GetCamera());
    } catch (...) {
      // A camera that cannot be reached now counts as disconnected.
      m_disconnected = true;
      throw;
    }
  });
  ICameraHiLevel* attached = GetCamera();
  if (m_disconnected) {
    SetPane(3, QString());
    SetPane(4, QString());
    ShowStatus(IDS_CAMERA_DISCONNECTED);
    bool wantsWarning = false;
    tarsel::ui::Quietly([&] { wantsWarning = attached && attached->WantsConnectTimeWarning(); });
    if (wantsWarning && std::chrono::steady_clock::now() - started > m_options.connectTimeWarning)
      tarsel::ui::AskUser(this, IDS_CONNECT_TIME_WARNING, tarsel::ui::Buttons::Ok,
                          tarsel::ui::Icon::Information);
  } else {
    ShowStatus(IDS_READY);
  }
  RepaintView();
}

void CChildFrame::StartSession(ICameraHiLevel* camera) {
  m_capabilitiesOffered = false;
  m_disconnected = false;
  m_jobFailureTold = false;
  m_battery = -1;
  SetPane(4, QString());
  m_cameraName = QString::fromUtf8(camera->GetCameraName());
  m_title = m_cameraName;
  setWindowTitle(m_title);
  {
    const CCameraConnectGuard connection(camera);
    camera->ReportStatus(this);
  }
  m_saveInfo = std::make_unique<CSaveInfoFile>(m_cameraName.toUtf8().constData(), 3);
  if (m_site) {
    CChildFrame* active = mdiArea() ? qobject_cast<CChildFrame*>(mdiArea()->activeSubWindow()) : nullptr;
    m_site->RefreshCaptureDialogs(active);
  }
  StartBatteryTimer(m_options.firstBatteryCheck);
}

void CChildFrame::ShowConnectionState() {
  if (m_disconnected) {
    SetPane(3, QString());
    SetPane(4, QString());
    ShowStatus(IDS_CAMERA_DISCONNECTED);
  } else {
    ShowStatus(IDS_READY);
  }
  RepaintView();
}

bool CChildFrame::ReconnectCamera(ICameraHiLevel* fresh) {
  ICameraHiLevel* camera = GetCamera();
  if (!camera || !fresh)
    return false;
  bool takenOver = false;
  Guarded([&] {
    EndBracketing();
    if (!camera->IsSameCamera(fresh))
      return;
    const HRESULT code = camera->TakeOverFrom(fresh);
    if (code != 0) {
      m_disconnected = true;
      if (!m_jobFailureTold)
        ThrowIfFailed(code, "The camera could not be taken over.");
      WriteErrorInfo(
          (std::string("The camera could not be taken over: ") + _brantel_take_error(code).ErrorMessage())
              .c_str());
      return;
    }
    try {
      StartSession(camera);
    } catch (...) {
      m_disconnected = true;
      throw;
    }
    takenOver = true;
  });
  if (takenOver || m_disconnected)
    ShowConnectionState();
  return takenOver;
}

void CChildFrame::MarkDisconnected() {
  m_disconnected = true;
  SetPane(3, QString());
  SetPane(4, QString());
  tarsel::ui::Quietly([&] {
    if (ICameraHiLevel* camera = GetCamera())
      camera->NotifyCaptureProperties(2);
  });
  RepaintView();
}

void CChildFrame::RepaintView() {
  // The view paints the "Disconnected!" notice (or no longer): its
  // viewport is repainted, not only the window's frame around it.
  m_view->viewport()->repaint();
  repaint();
}

void CChildFrame::OfferCapabilityDetection() {
  ICameraHiLevel* camera = GetCamera();
  if (!camera || m_disconnected || m_capabilitiesOffered)
    return;
  m_capabilitiesOffered = true;
  Guarded([&] {
    if (camera->GetCapabilities(false))
      return;
    if (m_site)
      m_site->PostActivateChild(this);
    const QPointer<CChildFrame> alive(this);
    const int answer = tarsel::ui::AskUser(this, ResFormat(IDS_CAPABILITIES_UNKNOWN, camera->GetModelName()),
                                           tarsel::ui::Buttons::YesNo, tarsel::ui::Icon::Information);
    if (!alive || answer != tarsel::ui::IDYES || !GetCamera())
      return;
    if (m_site)
      m_site->ClosePreview();
    ThrowIfDialogFailed(GetCamera()->ShowCapabilityTest(WindowHandle(), this));
  });
}

void CChildFrame::ShowCaptureProperties(bool show) {
  tarsel::ui::Quietly([&] {
    if (ICameraHiLevel* camera = GetCamera())
      camera->ShowCaptureProperties(WindowHandle(), 0, show);
  });
}

// Battery -------------------------------------------------------------------------

void CChildFrame::StartBatteryTimer(std::chrono::milliseconds delay) {
  if (m_batteryTimer)
    killTimer(m_batteryTimer);
  m_batteryTimer = startTimer(delay);
}

bool CChildFrame::CheckBattery() {
  ICameraHiLevel* camera = GetCamera();
  if (m_disconnected || !camera)
    return false;
  ITarselSettings* settings = m_site ? m_site->GetSettings() : nullptr;
  if (m_busy)
    return !CBatteryStatusNotification::IsSuppressed(settings);
  std::int32_t value = -1;
  ThrowIfFailed(camera->GetBatteryStatus(&value), "The battery could not be read.");
  m_battery = value;
  SetPane(4, tarsel::frame::BatteryPaneText(value));
  if (CBatteryStatusNotification::IsSuppressed(settings))
    return false;
  if (!tarsel::frame::BatteryWarningWanted(value))
    return true;
  ActivateInMdiClient();
  // Parented to the frame: a box of this window's own would die with the
  // window should it close while the box is open.
  QWidget* parent = m_site ? m_site->FrameWindow() : nullptr;
  CBatteryStatusNotification box(value, m_cameraName, settings, parent ? parent : this);
  box.ShowModal();
  return !CBatteryStatusNotification::IsSuppressedForRun();
}

void CChildFrame::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_batteryTimer || m_batteryTimer == 0) {
    QMdiSubWindow::timerEvent(event);
    return;
  }
  killTimer(m_batteryTimer);
  m_batteryTimer = 0;
  const QPointer<CChildFrame> alive(this);
  bool again = false;
  try {
    again = CheckBattery();
  } catch (const _brantel_take_error& error) {
    // One failed reading does not end the battery checks: log it, try again later.
    WriteErrorInfo((std::string("Battery check: ") + error.ErrorMessage()).c_str());
    again = true;
  } catch (...) {
    WriteErrorInfo("Battery check failed.");
    again = true;
  }
  if (alive && again && !m_disconnected && !m_destroying && m_batteryTimer == 0)
    m_batteryTimer = startTimer(m_options.batteryInterval);
}

// Status line ---------------------------------------------------------------------

bool CChildFrame::OwnBarShown() const {
  return m_statusBarShown && !isMaximized();
}

void CChildFrame::ShowStatus(UINT stringId) {
  SetPane(0, ResText(stringId));
}

void CChildFrame::SetPane(int pane, const QString& text) {
  if (pane < 0 || pane > 4)
    return;
  const QString shown = pane == 3 && m_disconnected ? QString() : text;
  if (pane == 0)
    m_panes[pane]->setText(shown);
  else
    tarsel::frame::ShowPaneText(m_panes[pane], shown);
  // The main bar shows the texts of the current window only.
  if (OwnBarShown() || !m_statusToFrame || !m_site || m_destroying || !m_current)
    return;
  if (pane == 0)
    m_site->ShowFrameMessage(shown);
  else
    m_site->SetFramePaneText(pane + 1, shown);
}

QString CChildFrame::PaneText(int pane) const {
  if (pane < 0 || pane > 4)
    return {};
  return m_panes[pane]->text();
}

void CChildFrame::ClearFramePanes() {
  m_site->ShowFrameMessage(QString());
  for (int pane = 2; pane <= 5; ++pane)
    m_site->SetFramePaneText(pane, QString());
}

void CChildFrame::HandPanesToFrame() {
  if (!m_site || m_destroying)
    return;
  if (OwnBarShown()) {
    // The main bar keeps nothing of a window that speaks in its own line.
    ClearFramePanes();
    return;
  }
  for (int pane = 0; pane < 5; ++pane)
    SetPane(pane, m_panes[pane]->text());
}

void CChildFrame::UpdateStatusBarPlacement(bool wasMaximized) {
  // A restored window shows its own status line again.
  if (wasMaximized && !isMaximized())
    m_statusBarShown = true;
  m_statusBar->setVisible(OwnBarShown());
  if (m_current)
    HandPanesToFrame();
}

void CChildFrame::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || m_destroying)
    return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  const bool wasMaximized = change->oldState().testFlag(Qt::WindowMaximized);
  if (wasMaximized != isMaximized())
    Guarded([&] { UpdateStatusBarPlacement(wasMaximized); });
}

// _ITarselCallback -------------------------------------------------------------------

bool CChildFrame::QueryContinue(int) {
  return true;
}

bool CChildFrame::SetStatusText(const char* text) {
  m_statusText = QString::fromUtf8(text ? text : "");
  SetPane(3, m_statusText);
  return true;
}

void CChildFrame::SuspendPreview(bool suspend) {
  if (m_site && !m_destroying)
    m_site->NotifyPreviewBusy(suspend);
}

// Closing -------------------------------------------------------------------------

void CChildFrame::closeEvent(QCloseEvent* event) {
  tarsel::ui::Quietly([&] { EndBracketing(); });
  if (HasUnsavedPictures() && !m_destroying) {
    const QPointer<CChildFrame> alive(this);
    const int answer = tarsel::ui::AskUser(this, IDS_SAVE_BEFORE_EXIT, tarsel::ui::Buttons::YesNoCancel,
                                           tarsel::ui::Icon::Question);
    if (!alive)
      return;
    if (answer != tarsel::ui::IDYES && answer != tarsel::ui::IDNO) {
      event->ignore();
      return;
    }
    // A picture whose save was cancelled or failed is not thrown away: the
    // window stays open with it.
    if (answer == tarsel::ui::IDYES && SaveUnsavedPictures() != 0) {
      event->ignore();
      return;
    }
  }
  QMdiSubWindow::closeEvent(event);
}

// Small helpers -------------------------------------------------------------------

void CChildFrame::ActivateInMdiClient() {
  if (QMdiArea* area = mdiArea()) {
    area->setActiveSubWindow(this);
    return;
  }
  activateWindow();
}

ICameraHiLevel* CChildFrame::GetCamera() const {
  return m_host ? m_host->GetCamera() : nullptr;
}

HWND CChildFrame::WindowHandle() {
  return static_cast<HWND>(static_cast<QWidget*>(this));
}

CRefPtr<ITarselConfigSettings> CChildFrame::UserSettings(bool readOnly) const {
  return tarsel::settings::OpenUserSettings(m_site ? m_site->GetSettings() : nullptr, readOnly);
}

void CChildFrame::Report(HRESULT code) {
  if (m_destroying)
    return;
  ReportError(code, WindowHandle());
}
