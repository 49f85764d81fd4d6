#include "app/frame/ChildFrame.h"

#include "app/core/IBracketing.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/BatteryStatus.h"
#include "app/frame/ChildFrameInternals.h"
#include "app/frame/ChildFrameSite.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/OpenCameraSettingsEvent.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/SynchronizedTake.h"
#include "app/host/TarselEvents.h"
#include "app/host/WaitEvent.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/saving/SaveOutcomeEvent.h"
#include "app/ui/CameraConnectGuard.h"
#include "app/ui/ClipboardGuard.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

using namespace tarsel::frame::detail;
namespace cmd = tarsel::frame::cmd;
using tarsel::host::CameraStatusEvent;
using tarsel::host::CConnectedCameraHost;
using tarsel::saving::SaveOutcomeEvent;

namespace {

// The option bit by which the user leaves the picture in the camera.
constexpr std::uint32_t kLeaveInCamera = 1;

bool LeavesInCamera(const ICamExtraCommand* command) {
  return command && (command->GetOption() & kLeaveInCamera) != 0;
}

} // namespace

// Taking pictures -------------------------------------------------------------

bool CChildFrame::AutoSaveFollowsTake() const {
  const CRefPtr<ITarselConfigSettings> user = UserSettings(true);
  return user && user->GetAutoSaveAfterTakingSingle() && m_site && m_site->HasSavers() &&
         !m_view->IsFocusStripShown();
}

bool CChildFrame::RefusesNewPictures() {
  if (!m_host)
    return false;
  const std::size_t count = m_host->GetHeldCount();
  const std::uint64_t bytes = m_host->GetHeldBytes();
  if (count < m_options.heldPictureLimit && bytes < m_options.heldByteLimit) {
    m_heldLimitTold = false;
    return false;
  }
  EndBracketing();
  if (!std::exchange(m_heldLimitTold, true) && !m_destroying)
    tarsel::ui::AskUser(
        this,
        tr("Camera \"%1\" holds %2 pictures (%3 MB) that could not be saved and exist only in "
           "its window. No more pictures are taken with it until they are saved or deleted.")
            .arg(m_cameraName)
            .arg(static_cast<qulonglong>(count))
            .arg(static_cast<qulonglong>((bytes + (1u << 20) - 1) >> 20)),
        tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Error);
  return true;
}

void CChildFrame::QueueSynchronizedTake(tarsel::host::CSyncTakeTicket ticket,
                                        const ICamExtraCommand* command) {
  ICameraHiLevel* camera = GetCamera();
  // Without a camera, or while its pictures are being copied, the ticket
  // ends here and reports this camera as failed.
  if (!camera || m_downloading)
    return;
  Guarded([&] {
    m_view->ShowFocusStrip(false);
    m_statusToFrame = false;
    ShowStatus(IDS_CONNECTING);
    camera->EnableCaptureProperties(false);
    const auto& take = ticket.take();
    const CRefPtr<ITarselConfigSettings> user = UserSettings(true);
    const bool saved = ((take && take->saveFlag()) || (user && user->GetAutoSaveAfterTaking())) && m_site &&
                       m_site->HasSavers();
    m_host->QueueSynchronizedTake(std::move(ticket), command, saved && !LeavesInCamera(command));
    SetPane(1, QString());
  });
}

bool CChildFrame::QueueTakePicture(const ICamExtraCommand* command) {
  ICameraHiLevel* camera = GetCamera();
  if (m_busy || m_downloading || !camera || RefusesNewPictures())
    return false;
  m_busy = true;
  m_statusToFrame = true;
  ShowStatus(IDS_CONNECTING);
  camera->EnableCaptureProperties(false);
  m_host->QueueTakePicture(command, AutoSaveFollowsTake() && !LeavesInCamera(command));
  return true;
}

void CChildFrame::OnTakePicture() {
  ICameraHiLevel* camera = GetCamera();
  if (!camera)
    return;
  m_view->ShowFocusStrip(false);
  CCamExtraCommand command;
  DWORD bracketingPictures = 0;
  if (const CRefPtr<ITarselConfigSettings> user = UserSettings(true)) {
    command.SetOption(user->GetLeavePictureInCamera() ? 3u : 0u);
    bracketingPictures = user->GetBracketingNumPics();
  }
  if (!m_bracketing && bracketingPictures > 1) {
    if (IBracketing* series = camera->GetBracketing()) {
      m_bracketing = series;
      ShowBracketingStep();
    }
  }
  QueueTakePicture(&command);
}

void CChildFrame::ShowBracketingStep() {
  SetPane(2, ResFormat(IDS_PICTURE_OF, static_cast<long>(m_bracketing->GetCurrentStep() + 1),
                       static_cast<long>(m_bracketing->GetStepCount())));
}

void CChildFrame::EndBracketing() {
  IBracketing* series = std::exchange(m_bracketing, nullptr);
  if (!series)
    return;
  SetPane(2, QString());
  series->EndSeries();
}

// Waiting dialogs -----------------------------------------------------------------

void CChildFrame::SetWaitingWindow(QObject* window) {
  m_waitingWindow = window;
}

void CChildFrame::ClearWaitingWindow(QObject* window) {
  if (m_waitingWindow == window)
    m_waitingWindow = nullptr;
}

void CChildFrame::SetWaitingEvent(std::shared_ptr<CWaitEvent> event) {
  m_waitingEvent = std::move(event);
}

void CChildFrame::ClearWaitingEvent(const std::shared_ptr<CWaitEvent>& event) {
  if (m_waitingEvent == event)
    m_waitingEvent.reset();
}

bool CChildFrame::NotifyWaitingWindow(HRESULT code, std::intptr_t value) {
  bool told = false;
  if (m_waitingEvent) {
    m_waitingEvent->Set();
    told = true;
  }
  if (m_waitingWindow) {
    QCoreApplication::postEvent(m_waitingWindow.data(), new tarsel::host::CameraJobDoneEvent(code, value));
    told = true;
  }
  return told;
}

bool CChildFrame::QueueCameraCall(tarsel::host::CameraCall call) {
  if (!m_host || !GetCamera() || m_disconnected)
    return false;
  return m_host->QueueCameraCall(std::move(call));
}

void CChildFrame::RestartSession() {
  Guarded([&] {
    if (ICameraHiLevel* camera = GetCamera(); camera && !m_disconnected && !m_destroying)
      StartSession(camera);
  });
}

void CChildFrame::SetDownloading(bool downloading) {
  m_downloading = downloading;
}

void CChildFrame::ShowLoadingPercent(std::int32_t percent) {
  SetPane(1, percent >= 0 ? ResFormat(IDS_LOADING, static_cast<long>(percent)) : QString());
}

bool CChildFrame::QueueCameraCall(std::function<void()> work, QObject* receiver,
                                  std::function<void(HRESULT)> done) {
  if (!m_host || !GetCamera())
    return false;
  return m_host->QueueCameraCall(std::move(work), receiver, std::move(done));
}

void CChildFrame::PostCommand(UINT id) {
  QCoreApplication::postEvent(this, new tarsel::frame::CommandEvent(id));
}

void CChildFrame::PostOpenCameraSettings(std::int32_t firstPage) {
  QCoreApplication::postEvent(this, new tarsel::frame::OpenCameraSettingsEvent(firstPage));
}

bool CChildFrame::HasPreviewWindow() {
  return m_site && m_site->HasPreviewWindow();
}

std::int32_t CChildFrame::SetZoomDivisor(std::int32_t divisor) {
  return m_host ? m_host->SetZoomDivisor(divisor) : divisor;
}

void CChildFrame::BeginFocusSeries() {
  if (!m_host || m_view->IsFocusStripShown())
    return;
  m_host->ClearPictures();
  m_view->ShowFocusStrip(true);
  m_view->ShowPicture(nullptr, true);
}

void CChildFrame::ShowPictureIndex(long index, long count) {
  SetPane(2, index < 0 ? QString() : ResFormat(IDS_PICTURE_OF, index, count));
}

// Worker results ------------------------------------------------------------------

bool CChildFrame::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == WM_TARSEL_CAMERA_STATUS) {
    if (auto* status = dynamic_cast<CameraStatusEvent*>(event))
      OnCameraStatus(*status);
    return true;
  }
  if (type == WM_TARSEL_LEAVE_ALL_CAMERAS_VIEW) {
    Guarded([&] {
      if (m_site)
        m_site->HideCaptureDialogs();
    });
    return true;
  }
  if (type == WM_TARSEL_OPEN_CAMERA_SETTINGS) {
    if (auto* open = dynamic_cast<tarsel::frame::OpenCameraSettingsEvent*>(event))
      Guarded([&] { OpenCameraSettings(open->firstPage()); });
    return true;
  }
  if (type == SaveOutcomeEvent::Type()) {
    Guarded([&] { OnSaveOutcome(*static_cast<SaveOutcomeEvent*>(event)); });
    return true;
  }
  if (type == tarsel::frame::CommandEvent::type()) {
    // A posted command runs only when its enable test passes now.
    OnCommand(static_cast<tarsel::frame::CommandEvent*>(event)->id());
    return true;
  }
  return QMdiSubWindow::event(event);
}

void CChildFrame::OnCameraStatus(CameraStatusEvent& event) {
  // Results of a host that is gone: a ticket still in the event reports its
  // camera as failed when the event is destroyed.
  if (!m_host)
    return;
  const std::int32_t code = event.code();
  const std::intptr_t argument = event.argument();
  Guarded([&] {
    switch (code) {
    case StatusPictureTaken:
      m_jobFailureTold = false;
      OnPictureTaken(event);
      break;
    case StatusSynchronizedPicture:
      m_jobFailureTold = false;
      OnSynchronizedPicture(event);
      break;
    case StatusLoading:
      ShowLoadingPercent(static_cast<std::int32_t>(argument));
      break;
    case StatusMessage:
      if (argument > 0 && argument <= 0xFFFF)
        ShowStatus(static_cast<UINT>(argument));
      break;
    case StatusBattery:
      if (!m_destroying)
        CheckBattery();
      break;
    case StatusJobEnded:
      if (event.picture())
        m_host->AddToSeries(event.picture());
      NotifyWaitingWindow(0, 0);
      ShowStatus(IDS_READY);
      break;
    case StatusRepeatShot:
      if (!m_destroying)
        OnTakePicture();
      break;
    case StatusJobFailed: {
      const HRESULT error = static_cast<HRESULT>(argument);
      SetPane(1, QString());
      ShowStatus(IDS_ERROR);
      m_busy = false;
      if (ICameraHiLevel* camera = GetCamera())
        camera->EnableCaptureProperties(true);
      if (!NotifyWaitingWindow(error, 0))
        Report(error);
      m_jobFailureTold = true;
      // Last: a camera that failed may refuse the restore as well, and that
      // must not hide the failure itself.
      EndBracketing();
      break;
    }
    case StatusSynchronizedFailed:
      OnSynchronizedFailure(event, static_cast<HRESULT>(argument));
      break;
    default:
      break;
    }
  });
}

void CChildFrame::OnPictureTaken(CameraStatusEvent& event) {
  IPictureFromCamera* picture = event.picture();
  SetPane(1, QString());
  m_busy = false;
  if (ICameraHiLevel* camera = GetCamera())
    camera->EnableCaptureProperties(true);
  // The series changes only here, on the user-interface thread.
  if (picture)
    m_host->AddToSeries(picture);
  if (IPictureFromCamera* current = CurrentPicture()) {
    if (!m_destroying)
      DecodeAndShow(current, true);
    NotifyWaitingWindow(0, 0);
    m_unsaved = true;
    const CRefPtr<ITarselConfigSettings> user = UserSettings(true);
    ISaveInfo* info = SaveInfo();
    if (!m_view->IsFocusStripShown() && user && user->GetAutoSaveAfterTakingSingle() && m_site && info) {
      info->SetNumDigits(static_cast<std::int32_t>(user->GetNumDigitsInCounter()));
      info->SetNamingMode(user->GetLeavePictureInCamera() ? 3 : 0);
      if (m_site->QueuePictureSave(current, info, m_cameraName.toUtf8().constData(), this)) {
        if (current == picture)
          FollowSave(current, event.cardPicture(), event.leftInCamera());
        else
          FollowSave(current, {}, false);
        m_host->MarkSeriesForReplace();
        m_unsaved = false;
        info->SetCounter(info->GetCounter() + 1);
      }
    }
  }
  if (!m_bracketing) {
    ShowStatus(IDS_READY);
    return;
  }
  if (m_destroying || !m_bracketing->NextStep()) {
    EndBracketing();
    ShowStatus(IDS_READY);
    return;
  }
  ShowBracketingStep();
  OnTakePicture();
}

namespace {

// The picture counter and save flag of the take a result belongs to.
std::int32_t TakeCounter(CameraStatusEvent& event) {
  const auto& take = event.ticket().take();
  return take ? take->pictureCounter() : 0;
}

bool TakeSaveFlag(CameraStatusEvent& event) {
  const auto& take = event.ticket().take();
  return take && take->saveFlag();
}

} // namespace

void CChildFrame::OnSynchronizedPicture(CameraStatusEvent& event) {
  SetPane(1, QString());
  // m_busy belongs to this window's own take, which a synchronized take
  // neither starts nor ends.
  if (ICameraHiLevel* camera = GetCamera())
    camera->EnableCaptureProperties(true);
  IPictureFromCamera* picture = event.picture();
  if (!picture) {
    OnSynchronizedFailure(event, kFailed);
    return;
  }
  m_host->AddToSeries(picture);
  const CRefPtr<ITarselConfigSettings> user = UserSettings(true);
  const DWORD rotation = user ? user->GetRotation() : 0;
  const bool display = !(user && user->GetDoNotDisplayPicture()) && !m_destroying;
  // A display failure must not keep the picture from the save queue.
  Guarded([&] {
    // Only the rotations the options offer: a stray stored number is no rotation.
    if (rotation == 1 || rotation == 3) {
      ShowStatus(IDS_ROTATING);
      picture->Rotate(static_cast<std::int32_t>(rotation), false);
    }
    if (display)
      DecodeAndShow(picture, true);
  });
  m_unsaved = true;
  if (m_site && m_site->QueueSynchronizedSave(picture, m_cameraName.toUtf8().constData(), 0,
                                              TakeCounter(event), TakeSaveFlag(event), this)) {
    FollowSave(picture, event.cardPicture(), event.leftInCamera());
    m_host->MarkSeriesForReplace();
    m_unsaved = false;
  }
  ShowStatus(IDS_READY);
  event.ticket().Complete(0);
}

void CChildFrame::OnSynchronizedFailure(CameraStatusEvent& event, HRESULT code) {
  if (code == 0)
    code = kFailed;
  // The frame tells the user about the failed camera of the take.
  m_jobFailureTold = true;
  SetPane(1, QString());
  ShowStatus(IDS_ERROR);
  if (ICameraHiLevel* camera = GetCamera())
    camera->EnableCaptureProperties(true);
  if (m_site)
    m_site->QueueSynchronizedSave(nullptr, m_cameraName.toUtf8().constData(), code, TakeCounter(event),
                                  TakeSaveFlag(event), nullptr);
  event.ticket().Complete(code);
}

// Automatic saves ---------------------------------------------------------------

void CChildFrame::FollowSave(IPictureFromCamera* picture, const CardPicture& card, bool leftInCamera) {
  if (!picture)
    return;
  // Until its saver reports it saved, a picture no card keeps exists only here.
  if (!card.IsKnown() && !leftInCamera)
    m_host->HoldPicture(picture);
  m_followedSaves.push_back({CRefPtr<IPictureFromCamera>(picture), card});
}

void CChildFrame::OnSaveOutcome(const SaveOutcomeEvent& outcome) {
  const auto followed =
      std::find_if(m_followedSaves.begin(), m_followedSaves.end(),
                   [&](const FollowedSave& save) { return save.picture.get() == outcome.picture(); });
  if (followed == m_followedSaves.end())
    return;
  const FollowedSave save = std::move(*followed);
  m_followedSaves.erase(followed);
  // Not saved: a picture on the card stays there, one that exists nowhere
  // else stays held and unsaved.
  if (!outcome.saved() || !m_host)
    return;
  m_host->ReleasePicture(save.picture.get());
  if (save.card.IsKnown() && GetCamera() && !m_disconnected)
    m_host->QueueErase(save.card);
}
