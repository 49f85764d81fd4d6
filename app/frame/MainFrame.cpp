#include "app/frame/MainFrame.h"

#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/MainFrameHelpers.h"
#include "app/frame/PreviewClosedEvent.h"
#include "app/frame/StatusPanes.h"
#include "app/frame/WindowIcons.h"
#include "app/host/TarselEvents.h"
#include "app/receiver/MailslotServer.h"
#include "app/receiver/RemoteDatagramEvent.h"
#include "app/receiver/RemoteDatagramHandler.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/RestoreWindowPlacement.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/HtmlHelp.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselPersistentParams.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <cstdint>
#include <new>
#include <span>
#include <string>

namespace cmd = tarsel::frame::cmd;
using namespace tarsel::frame::detail;
using tarsel::ui::AskUser;

namespace {

// Posted by PostActivateChild: the frame activates the window when it
// arrives, when the window still exists.
class ActivateChildEvent : public QEvent {
public:
  explicit ActivateChildEvent(CChildFrame* window) : QEvent(WM_TARSEL_ACTIVATE_CHILD), m_window(window) {}
  CChildFrame* window() const { return m_window; }

private:
  QPointer<CChildFrame> m_window;
};

// Places a new camera window inside the MDI area: no larger than the area
// less room for a few cascade steps, cascading from the area's top-left
// corner by a title bar's height per window and starting over where the
// next step would leave the area. A window whose panes need more room than
// the area has is cut, not pushed over the area's edge.
void PlaceInside(QMdiArea& area, QMdiSubWindow& window) {
  constexpr int kCascadeRoom = 3;
  if (!area.isVisible())
    return;
  const QSize room = area.viewport()->size();
  if (room.isEmpty())
    return;
  const int step = std::max(1, window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window));
  const QSize cascaded = room - QSize(kCascadeRoom * step, kCascadeRoom * step);
  const QSize least = window.minimumSizeHint().boundedTo(room);
  const QSize size = window.size().boundedTo(cascaded).expandedTo(least).boundedTo(room);
  const int steps =
      std::min((room.width() - size.width()) / step, (room.height() - size.height()) / step) + 1;
  const auto others = static_cast<int>(area.subWindowList().size()) - 1;
  const int offset = (std::max(0, others) % steps) * step;
  window.setMinimumSize(least);
  window.setGeometry(QRect(QPoint(offset, offset), size));
}

} // namespace

CMainFrame::CMainFrame(ITarselSettings* settings, Options options, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_options(std::move(options)) {
  if (m_options.families.empty())
    m_options.families = tarsel::frame::ProductFamilies();

  // Errors are shown to the user for as long as the frame exists.
  _brantel_take_error::DoReporting(true);
  m_reporting = true;
  StartSaveThread();

  setWindowTitle(ResText(IDS_TARSEL));
  setWindowIcon(tarsel::frame::WindowIcon(tarsel::frame::kMainFrameIcon));
  if (const auto user = tarsel::settings::OpenUserSettings(m_settings, true))
    CChildView::SetBackgroundColor(user->GetBackgroundColor());
  m_mdi = new QMdiArea(this);
  setCentralWidget(m_mdi);
  CreateCommands();

  for (int pane = 0; pane < 5; ++pane) {
    m_panes[pane] = new QLabel(this);
    tarsel::frame::FitStatusPane(m_panes[pane], static_cast<tarsel::frame::StatusPane>(pane));
    m_panes[pane]->setProperty("indicator", static_cast<uint>(cmd::IndicatorFirst + pane));
    statusBar()->addPermanentWidget(m_panes[pane]);
  }
  using tarsel::ui::ConnectGuarded;
  ConnectGuarded(statusBar(), &QStatusBar::messageChanged, this,
                 [this](const QString& text) { OnMessageChanged(text); });

  m_arrivalTimer.setSingleShot(true);
  ConnectGuarded(&m_arrivalTimer, &QTimer::timeout, this, [this] { RunCommand(cmd::RefreshCameras); });
  m_commandTimer.setInterval(m_options.commandUpdateInterval);
  ConnectGuarded(&m_commandTimer, &QTimer::timeout, this, [this] {
    UpdateCommands();
    // A camera window's own take or download ends without telling the frame.
    RefreshIfCamerasRest();
  });
  m_commandTimer.start();
  ConnectGuarded(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { UpdateCommands(); });

  CPreviewPauseGuard::SetListener(this);
  SetFrameStatus(IDS_CHECKING_CAMERAS);
  QTimer::singleShot(10, this, [this] { tarsel::ui::Guard(this, [this] { OnStartup(); }); });
}

CMainFrame::~CMainFrame() {
  CPreviewPauseGuard::SetListener(nullptr);
  // The preview stops before the cameras it shows go away.
  tarsel::ui::Quietly([&] { ClosePreview(); });
  // Camera windows (closed ones too) stop their hosts and leave while the
  // frame is still whole: they call it as they end.
  std::vector<QPointer<CChildFrame>> windows;
  for (CChildFrame* window : findChildren<CChildFrame*>()) {
    window->RequestHostStop();
    windows.emplace_back(window);
  }
  for (const QPointer<CChildFrame>& window : windows)
    delete window.data();
  // A time-lapse dialog still there leaves while the frame is whole: it
  // unregisters as it ends.
  const std::vector<QPointer<QObject>> dialogs = m_timeLapseDialogs;
  for (const QPointer<QObject>& dialog : dialogs)
    delete dialog.data();
  // Before the application unloads the savers that queued saves call.
  m_saveThread.reset();
  StopDeviceAndRemote();
  EndReporting();
}

// ---------------------------------------------------------------------------
// Status line

void CMainFrame::SetFrameStatus(UINT stringId) {
  m_storedStatus = ResText(stringId);
  statusBar()->showMessage(m_storedStatus);
}

void CMainFrame::OnMessageChanged(const QString& text) {
  // The idle message: the stored status text stands in for it.
  if (text.isEmpty() && !m_storedStatus.isEmpty())
    statusBar()->showMessage(m_storedStatus);
}

void CMainFrame::ShowFrameMessageText(const QString& text) {
  if (!m_storedStatus.isEmpty() && text == ResText(IDS_READY)) {
    statusBar()->showMessage(m_storedStatus);
    return;
  }
  statusBar()->showMessage(text);
}

void CMainFrame::ShowFrameMessage(const QString& text) {
  ShowFrameMessageText(text);
}

void CMainFrame::SetFramePaneText(int pane, const QString& text) {
  if (pane < 1 || pane > 5)
    return;
  tarsel::frame::ShowPaneText(m_panes[pane - 1], text);
}

QString CMainFrame::PaneText(int pane) const {
  if (pane == 0)
    return statusBar()->currentMessage();
  if (pane < 1 || pane > 5)
    return {};
  return m_panes[pane - 1]->text();
}

// ---------------------------------------------------------------------------
// Camera windows

CChildFrame* CMainFrame::CreateCameraWindow() {
  auto* window = new CChildFrame(this, m_options.child);
  m_mdi->addSubWindow(window);
  window->show();
  PlaceInside(*m_mdi, *window);
  return window;
}

std::vector<CChildFrame*> CMainFrame::CameraWindows() const {
  std::vector<CChildFrame*> windows;
  for (QMdiSubWindow* sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    auto* window = qobject_cast<CChildFrame*>(sub);
    if (!window)
      continue;
    const bool closed = std::any_of(m_closedWindows.begin(), m_closedWindows.end(),
                                    [window](const QPointer<QObject>& c) { return c.data() == window; });
    if (!closed)
      windows.push_back(window);
  }
  return windows;
}

CChildFrame* CMainFrame::ActiveCameraWindow() const {
  auto* window = qobject_cast<CChildFrame*>(m_mdi->currentSubWindow());
  if (!window)
    return nullptr;
  const auto windows = CameraWindows();
  return std::find(windows.begin(), windows.end(), window) != windows.end() ? window : nullptr;
}

void CMainFrame::ChildClosed(CChildFrame* window) {
  m_closedWindows.erase(std::remove_if(m_closedWindows.begin(), m_closedWindows.end(),
                                       [](const QPointer<QObject>& c) { return c.isNull(); }),
                        m_closedWindows.end());
  if (window)
    m_closedWindows.emplace_back(window);
}

void CMainFrame::PostActivateChild(CChildFrame* window) {
  QCoreApplication::postEvent(this, new ActivateChildEvent(window));
}

void CMainFrame::OfferCapabilityDetection() {
  std::vector<QPointer<CChildFrame>> order;
  CChildFrame* active = ActiveCameraWindow();
  if (active)
    order.emplace_back(active);
  for (CChildFrame* window : CameraWindows())
    if (window != active)
      order.emplace_back(window);
  // Each offer may ask the user; a window may be gone after the question.
  for (const QPointer<CChildFrame>& window : order)
    if (window)
      window->OfferCapabilityDetection();
}

// ---------------------------------------------------------------------------
// Capture-properties dialogs and the preview window

void CMainFrame::ShowCaptureDialogFor(CChildFrame* window) {
  m_captureDialogShown = true;
  for (CChildFrame* other : CameraWindows())
    if (other != window)
      other->ShowCaptureProperties(false);
  if (window)
    window->ShowCaptureProperties(true);
}

void CMainFrame::HideCaptureDialogs() {
  m_captureDialogShown = false;
  for (CChildFrame* window : CameraWindows())
    window->ShowCaptureProperties(false);
}

void CMainFrame::RefreshCaptureDialogs(CChildFrame* active) {
  for (CChildFrame* window : CameraWindows())
    if (!m_captureDialogShown || window != active)
      window->ShowCaptureProperties(false);
  if (m_captureDialogShown && active)
    active->ShowCaptureProperties(true);
}

bool CMainFrame::HasPreviewWindow() {
  return HasPreviewWindowNow();
}

void CMainFrame::OpenPreview(CChildFrame* window) {
  if (!window)
    return;
  if (HasPreviewWindowNow()) {
    m_preview->PostSetCamera(window);
    return;
  }
  // A window that closed itself and is not gone yet makes room first.
  if (m_preview)
    m_preview->deleteLater();
  PreviewWndOptions options;
  options.settings = m_settings;
  options.placementDelay = m_options.previewPlacementDelay;
  options.cameraOf = [](QWidget* owner) -> ICameraHiLevel* {
    const auto* camera = qobject_cast<CChildFrame*>(owner);
    return camera ? camera->GetCamera() : nullptr;
  };
  try {
    m_preview = new CPreviewWnd(window, this, std::move(options));
  } catch (const std::bad_alloc&) {
    ThrowError(static_cast<HRESULT>(ERROR_NOT_ENOUGH_MEMORY));
  }
  m_preview->Create(m_previewBusy > 0);
}

void CMainFrame::ClosePreview(CChildFrame* window) {
  if (!m_preview || (window && !m_preview->Shows(window)))
    return;
  CPreviewWnd* preview = m_preview.data();
  m_preview = nullptr;
  preview->Close();
  // Stopped now; destroyed later, so that it never ends inside one of its
  // own calls (a family's StopPreview may let events run).
  preview->deleteLater();
}

void CMainFrame::OnPreviewClosed(CPreviewWnd* window, std::uintptr_t code) {
  if (!window)
    return;
  if (window == m_preview)
    m_preview = nullptr;
  if (code != tarsel::frame::PreviewClosedEvent::kClosedItself)
    window->Close();
  window->deleteLater();
}

void CMainFrame::SetPreviewSource(CChildFrame* window) {
  if (HasPreviewWindowNow())
    m_preview->PostSetCamera(window);
  RefreshCaptureDialogs(window);
}

void CMainFrame::NotifyPreviewBusy(bool busy) {
  if (busy) {
    if (m_previewBusy++ == 0 && HasPreviewWindowNow())
      m_preview->Suspend(true);
    return;
  }
  // An end without a start changes nothing.
  if (m_previewBusy == 0)
    return;
  if (--m_previewBusy == 0 && HasPreviewWindowNow())
    m_preview->Suspend(false);
}

// ---------------------------------------------------------------------------
// Start-up, device notifications, events

void CMainFrame::OnStartup() {
  if (m_destroyed)
    return;
  tarsel::ui::Guard(this, [this] {
    bool notifications = false;
    if (const auto user = tarsel::settings::OpenUserSettings(m_settings, true))
      notifications = user->GetUseDeviceNotifications();
    if (notifications) {
      m_deviceWatcher =
          m_options.makeDeviceWatcher ? m_options.makeDeviceWatcher() : tarsel::frame::MakeDeviceWatcher();
      if (m_deviceWatcher) {
        tarsel::ui::ConnectGuarded(m_deviceWatcher.get(), &tarsel::frame::IDeviceWatcher::deviceArrived, this,
                                   [this] { OnDeviceArrived(); });
        tarsel::ui::ConnectGuarded(m_deviceWatcher.get(), &tarsel::frame::IDeviceWatcher::deviceRemoved, this,
                                   [this] { OnDeviceRemoved(); });
      }
    }

    RefreshCameras();

    if (m_options.remoteControl) {
      if (m_receiver)
        m_receiver->Stop();
      m_receiver.reset();
      // A receiver that cannot be made (another running instance holds the
      // mailslot) is reported; the program then runs without remote control.
      try {
        auto receiver = std::make_unique<CMailslotServer>(this, WM_TARSEL_REMOTE_DATAGRAM, m_options.mailslot,
                                                          m_options.receiverStopDeadline);
        receiver->Start();
        m_receiver = std::move(receiver);
      } catch (const _brantel_take_error&) {
        tarsel::ui::ReportCurrentException(this);
      }
    }

    const QStringList arguments = Arguments();
    bool autostart = false;
    for (qsizetype i = 1; i < arguments.size(); ++i)
      autostart = autostart || arguments[i].contains("/AUTOSTART") || arguments[i].contains("-AUTOSTART");
    if (autostart) {
      QCoreApplication::postEvent(this, new QEvent(WM_TARSEL_AUTOSTART));
    } else {
      OfferCapabilityDetection();
      bool shown = false;
      if (const auto params = tarsel::settings::OpenPersistentParams(m_settings, true))
        shown = params->GetCaptureDlgShown();
      if (shown)
        if (CChildFrame* active = ActiveCameraWindow())
          ShowCaptureDialogFor(active);
    }
  });
  m_startupDone = true;
  UpdateCommands();
}

void CMainFrame::OnDeviceArrived() {
  DWORD delay = 1000;
  if (const auto user = tarsel::settings::OpenUserSettings(m_settings, true))
    delay = user->GetDeviceNotificationDelay();
  // Clamp to what a timer takes; a later arrival restarts the wait.
  m_arrivalTimer.start(static_cast<int>(std::min<DWORD>(delay, 0x7FFFFFFF)));
}

void CMainFrame::OnDeviceRemoved() {
  PostFrameCommand(cmd::RefreshCameras);
}

bool CMainFrame::event(QEvent* event) {
  const QEvent::Type type = event->type();
  bool handled = true;
  tarsel::ui::Guard(this, [&] {
    if (type == tarsel::frame::CommandEvent::type()) {
      RunCommand(static_cast<tarsel::frame::CommandEvent*>(event)->id());
      return;
    }
    if (type == WM_TARSEL_SAVE_RESULT) {
      auto* result = static_cast<tarsel::host::SaveResultEvent*>(event);
      OnSaveResult(result->kind(), result->code());
      return;
    }
    if (type == tarsel::saving::SaveOutcomeEvent::Type()) {
      OnSaveOutcome(*static_cast<tarsel::saving::SaveOutcomeEvent*>(event));
      return;
    }
    if (type == WM_TARSEL_SAVE_QUEUE_LENGTH) {
      OnSaveQueueLength(static_cast<tarsel::saving::SaveQueueLengthEvent*>(event)->length());
      return;
    }
    if (type == WM_TARSEL_REMOTE_DATAGRAM) {
      const QByteArray& bytes = static_cast<RemoteDatagramEvent*>(event)->bytes();
      tarsel::receiver::OnRemoteDatagram(
          *this, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
      return;
    }
    if (type == WM_TARSEL_PREVIEW_CLOSED) {
      const auto* closed = static_cast<tarsel::frame::PreviewClosedEvent*>(event);
      OnPreviewClosed(closed->window(), closed->code());
      return;
    }
    if (type == WM_TARSEL_ACTIVATE_CHILD) {
      if (CChildFrame* window = static_cast<ActivateChildEvent*>(event)->window())
        window->ActivateInMdiClient();
      return;
    }
    if (type == WM_TARSEL_AUTOSTART) {
      RunTimeLapse();
      return;
    }
    handled = QMainWindow::event(event);
  });
  return handled;
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_placementRestored || !m_settings)
    return;
  m_placementRestored = true;
  tarsel::ui::Guard(this, [this] {
    const auto params = tarsel::settings::OpenPersistentParams(m_settings, true);
    if (!params)
      return;
    BYTE bytes[tarsel::settings::WindowPlacement::kRecordSize] = {};
    DWORD size = sizeof bytes;
    if (params->GetLastWinPlace(bytes, &size) != 0)
      return;
    RestoreWindowPlacement(this, bytes, size, false);
  });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  bool kept = false;
  const bool ran = tarsel::ui::Guard(this, [&] {
    bool unsaved = false;
    for (CChildFrame* window : CameraWindows())
      unsaved = unsaved || window->HasUnsavedPictures();
    if (unsaved && !m_closeWithoutAsking) {
      const int answer =
          AskUser(this, IDS_SAVE_BEFORE_EXIT, tarsel::ui::Buttons::YesNoCancel, tarsel::ui::Icon::Question);
      kept = answer == tarsel::ui::IDCANCEL || (answer == tarsel::ui::IDYES && SaveUnsaved() == kCancelled);
      if (kept && !m_closeWithoutAsking)
        return;
      kept = false;
    }
    if (m_closeWithoutAsking) {
      for (CChildFrame* window : CameraWindows())
        if (window->HasUnsavedPictures())
          WriteErrorInfo(("Closed on request; pictures left unsaved in camera window \"" +
                          window->windowTitle().toStdString() + "\".")
                             .c_str());
    }
    if (SaveQueueLength() > 0 && !m_closeWithoutAsking) {
      const int answer =
          AskUser(this, IDS_STILL_SAVING, tarsel::ui::Buttons::OkCancel, tarsel::ui::Icon::Question);
      if (answer != tarsel::ui::IDOK && !m_closeWithoutAsking) {
        kept = true;
        return;
      }
    }
    if (m_closeWithoutAsking && SaveQueueLength() > 0)
      WriteErrorInfo(
          ("Closed on request; " + std::to_string(SaveQueueLength()) + " queued pictures were left unsaved.")
              .c_str());
    // The save being written ends first; the queued ones are dropped as agreed.
    if (m_saveThread)
      m_saveThread->Stop();

    ClosePreview();
    if (const auto params = tarsel::settings::OpenPersistentParams(m_settings, false))
      params->SetCaptureDlgShown(m_captureDialogShown);

    // The frame asked about unsaved pictures for every window, so the
    // windows are destroyed without asking again; each stops its camera
    // host as it goes, all hosts asked to stop first.
    std::vector<QPointer<CChildFrame>> windows;
    for (CChildFrame* window : CameraWindows()) {
      window->RequestHostStop();
      windows.emplace_back(window);
    }
    for (const QPointer<CChildFrame>& window : windows)
      delete window.data();
  });
  if (kept || !ran) {
    event->ignore();
    return;
  }

  EndReporting();
  StopDeviceAndRemote();
  m_help.reset();
  StoreWindowPlacement();
  m_destroyed = true;
  m_commandTimer.stop();
  m_arrivalTimer.stop();
  event->accept();
}

void CMainFrame::StopDeviceAndRemote() {
  m_arrivalTimer.stop();
  if (m_receiver) {
    m_receiver->Stop();
    m_receiver.reset();
  }
  m_deviceWatcher.reset();
}

void CMainFrame::StoreWindowPlacement() {
  if (!m_settings)
    return;
  const auto params = tarsel::settings::OpenPersistentParams(m_settings, false);
  if (!params)
    return;
  const auto bytes = GetWindowPlacement(this).toBytes();
  params->SetLastWinPlace(bytes.data(), static_cast<DWORD>(bytes.size()));
}

void CMainFrame::EndReporting() {
  if (!m_reporting)
    return;
  m_reporting = false;
  _brantel_take_error::DoReporting(false);
}
