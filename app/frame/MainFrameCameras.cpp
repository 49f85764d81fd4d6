// The main frame's camera families, discovery, refresh, command-line
// capture profiles and the all-cameras take.
#include "app/frame/MainFrame.h"

#include "app/core/CaptureProfileStorage.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/IBaseSDK_Wr.h"
#include "app/core/ICameraHiLevel.h"
#include "app/core/ISdkPropertyPage.h"
#include "app/frame/CameraTypesDialog.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/CommandIds.h"
#include "app/frame/MainFrameHelpers.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/SynchronizedTake.h"
#include "app/host/TarselEvents.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/saving/InteractiveSave.h"
#include "app/saving/SaveDllList.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/CommandLineCPFF.h"
#include "env/ErrorReport.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace cmd = tarsel::frame::cmd;
using namespace tarsel::frame::detail;

// ---------------------------------------------------------------------------
// Camera families and discovery

bool CMainFrame::GetSdkList(IBaseSDK_Wr** list, int* count) {
  const int needed = static_cast<int>(m_options.families.size());
  if (!count)
    return false;
  if (!list || *count < needed) {
    *count = needed;
    return false;
  }
  int found = 0;
  for (const tarsel::frame::SdkFamily& family : m_options.families) {
    try {
      IBaseSDK_Wr* sdk = family.get ? family.get(m_settings) : nullptr;
      if (sdk)
        list[found++] = sdk;
    } catch (...) {
      // The family cannot be used this time; the others still can.
      if (family.release)
        family.release();
    }
  }
  *count = found;
  return true;
}

void CMainFrame::ShutdownSdks() {
  tarsel::frame::ReleaseFamilies(m_options.families);
}

int CMainFrame::SelectCameraTypes() {
  int count = static_cast<int>(m_options.families.size());
  std::vector<IBaseSDK_Wr*> sdks(static_cast<std::size_t>(count));
  if (!GetSdkList(sdks.data(), &count))
    return tarsel::ui::IDCANCEL;
  std::vector<ISdkPropertyPage*> pages;
  for (int i = 0; i < count; ++i) {
    ISdkPropertyPage* page = nullptr;
    if (sdks[static_cast<std::size_t>(i)]->CreateSettingsPage(&page) == 0 && page)
      pages.push_back(page);
  }
  int result = tarsel::ui::IDCANCEL;
  {
    tarsel::frame::CameraTypesDialog dialog(pages, this);
    // With nothing to choose from the dialog could only be cancelled.
    if (dialog.PageCount() > 0)
      result = dialog.exec() == QDialog::Accepted ? tarsel::ui::IDOK : tarsel::ui::IDCANCEL;
  }
  for (ISdkPropertyPage* page : pages) {
    try {
      page->Release();
    } catch (...) {
    }
  }
  return result;
}

void CMainFrame::FindCameras(IConnectedCameras* list) {
  if (!list)
    return;
  SetFramePaneText(4, {});
  SetFramePaneText(5, {});
  SetFramePaneText(1, ResFormat(IDS_CAMERA_COUNT, 0L));
  SetFramePaneText(2, {});
  SetFramePaneText(3, {});
  try {
    list->Clear();
    for (;;) {
      int count = static_cast<int>(m_options.families.size());
      std::vector<IBaseSDK_Wr*> sdks(static_cast<std::size_t>(count));
      if (!GetSdkList(sdks.data(), &count))
        break;
      bool anyEnabled = false;
      for (int i = 0; i < count; ++i) {
        IBaseSDK_Wr* sdk = sdks[static_cast<std::size_t>(i)];
        if (!sdk->IsEnabled())
          continue;
        anyEnabled = true;
        sdk->EnumerateCameras(Hwnd(), list);
      }
      if (anyEnabled || SelectCameraTypes() != tarsel::ui::IDOK)
        break;
    }
    if (m_options.savers && !m_options.savers->FindSaver(m_settings, nullptr))
      ShowNoSaversMessage();
  } catch (...) {
    list->Clear();
    SetFrameStatus(IDS_ERROR);
    tarsel::ui::ReportCurrentException(this);
  }
}

void CMainFrame::RefreshCameras() {
  // A message box inside a refresh runs a nested event loop, where a device
  // event or a posted command may ask for another refresh: it runs once
  // this one has ended, never inside it.
  if (m_refreshing) {
    m_refreshAgain = true;
    return;
  }
  // A refresh enumerates every family's cameras anew, which gives the
  // cameras still plugged in new numbers and connections: run while a take
  // or a download uses them, a camera that left would take the others'
  // pictures with it. It runs once they rest.
  if (CamerasAtWork()) {
    m_refreshAfterWork = true;
    return;
  }
  m_refreshing = true;
  try {
    RefreshCamerasOnce();
  } catch (...) {
    m_refreshing = false;
    throw;
  }
  m_refreshing = false;
  if (m_refreshAgain) {
    m_refreshAgain = false;
    PostFrameCommand(cmd::RefreshCameras);
  }
}

bool CMainFrame::CamerasAtWork() const {
  if (m_runningTakes > 0)
    return true;
  const std::vector<CChildFrame*> windows = CameraWindows();
  return std::any_of(windows.begin(), windows.end(), [](const CChildFrame* window) {
    const tarsel::host::CConnectedCameraHost* host = window->GetHost();
    return host && host->IsWorking();
  });
}

void CMainFrame::RefreshIfCamerasRest() {
  if (!m_refreshAfterWork || CamerasAtWork())
    return;
  m_refreshAfterWork = false;
  PostFrameCommand(cmd::RefreshCameras);
}

void CMainFrame::RefreshCamerasOnce() {
  const tarsel::ui::WaitCursor wait;
  SetFrameStatus(IDS_CHECKING_CAMERAS);

  CConnectedCameras found;
  FindCameras(&found);

  // A window may close while a question is open; QPointer notices.
  std::vector<QPointer<CChildFrame>> existing;
  for (CChildFrame* window : CameraWindows())
    existing.emplace_back(window);
  for (const QPointer<CChildFrame>& window : existing)
    if (ICameraHiLevel* camera = window ? window->GetCamera() : nullptr)
      camera->LeaveRemoteMode();
  for (int i = 0; i < found.GetCount(); ++i)
    if (ICameraHiLevel* camera = found.GetAt(i))
      camera->InitCameraObject(nullptr, nullptr);

  long count = 0;
  for (const QPointer<CChildFrame>& window : existing) {
    if (!window)
      continue;
    try {
      bool reconnected = false;
      for (int i = 0; i < found.GetCount() && !reconnected; ++i) {
        ICameraHiLevel* fresh = found.GetAt(i);
        if (!window->ReconnectCamera(fresh)) {
          // The window's own camera, found but not taken over (it does not
          // answer): it gets no second window.
          ICameraHiLevel* own = window->GetCamera();
          if (own && own->IsSameCamera(fresh)) {
            found.RemoveAndDelete(fresh);
            break;
          }
          continue;
        }
        // The window adopted the fresh object's device; the object itself goes.
        found.RemoveAndDelete(fresh);
        reconnected = true;
      }
      if (reconnected)
        ++count;
      else
        window->MarkDisconnected();
    } catch (...) {
      window->MarkDisconnected();
      tarsel::ui::ReportCurrentException(window);
    }
  }

  QPointer<CChildFrame> opened;
  int openedCount = 0;
  while (found.GetCount() > 0) {
    ICameraHiLevel* camera = found.GetAt(0);
    found.RemoveAt(0);
    CChildFrame* window = CreateCameraWindow();
    opened = window;
    ++openedCount;
    ++count;
    tarsel::ui::Guard(window, [&] { window->AttachCamera(camera); });
  }
  if (opened) {
    if (existing.empty() && openedCount == 1)
      opened->showMaximized();
    else
      opened->showNormal();
  }

  SetFramePaneText(1, ResFormat(IDS_CAMERA_COUNT, count));
  ApplyCommandLineProfiles();
  SetFrameStatus(count != 0 ? IDS_READY : IDS_NO_CAMERA);
  UpdateCommands();
  emit camerasRefreshed();
}

QStringList CMainFrame::Arguments() const {
  return m_options.arguments.isEmpty() ? QCoreApplication::arguments() : m_options.arguments;
}

void CMainFrame::ApplyCommandLineProfiles() {
  const QStringList arguments = Arguments();
  QString profileArgument;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i].startsWith("-CPFF=") || arguments[i].startsWith("/CPFF=")) {
      profileArgument = arguments[i];
      break;
    }
  }
  if (profileArgument.isEmpty())
    return;
  const QByteArray text = profileArgument.toLocal8Bit();
  const CCommandLineCPFF profiles(text.constData());
  for (CChildFrame* window : CameraWindows()) {
    tarsel::ui::Guard(window, [&] {
      ICameraHiLevel* camera = window->GetCamera();
      if (!camera)
        return;
      CCaptureProfileStorage storage;
      if (!profiles.GetCPFFBuffer(storage, camera->GetCameraName()))
        return;
      // A profile with nothing to apply (S_FALSE) is no failure.
      if (const HRESULT result = camera->ApplyCaptureSettingsText(&storage); result != S_FALSE)
        ThrowIfFailed(result);
    });
  }
}

// ---------------------------------------------------------------------------
// All-cameras take and saving

bool CMainFrame::RefusesNewPictures() {
  bool refused = false;
  for (CChildFrame* window : CameraWindows())
    if (window->IsCameraConnected() && window->RefusesNewPictures())
      refused = true;
  return refused;
}

bool CMainFrame::TakePictureAllCameras(std::int32_t counter, bool save) {
  std::vector<CChildFrame*> connected;
  for (CChildFrame* window : CameraWindows())
    if (window->IsCameraConnected())
      connected.push_back(window);
  // Nothing to take: no take starts, so none would ever end.
  if (connected.empty())
    return false;
  // A camera whose window cannot keep another unsaved picture stops the take
  // (and the series it belongs to) before any camera takes.
  if (RefusesNewPictures())
    return false;

  m_take.save = save;
  m_take.counter = counter == -1 ? m_take.counter + 1 : static_cast<std::uint32_t>(counter);
  m_take.cameras = static_cast<std::int32_t>(connected.size());
  SetFrameStatus(IDS_TAKING_PICTURES);

  bool leaveInCamera = false;
  if (const auto user = tarsel::settings::OpenUserSettings(m_settings, true))
    leaveInCamera = user->GetLeavePictureInCamera();
  CCamExtraCommand command;
  command.SetOption(!save && leaveInCamera ? 3u : 0u);

  tarsel::host::CSynchronizedTake::Params params;
  params.cameraCount = static_cast<int>(connected.size());
  params.resultReceiver = this;
  params.barrier = m_options.takeBarrier;
  params.pictureCounter = static_cast<std::int32_t>(m_take.counter);
  params.saveFlag = save;
  const std::shared_ptr<tarsel::host::CSynchronizedTake> take =
      tarsel::host::CSynchronizedTake::Create(params);
  if (!take)
    return false;
  ++m_runningTakes;
  for (std::size_t slot = 0; slot < connected.size(); ++slot)
    connected[slot]->QueueSynchronizedTake(take->TakeTicket(static_cast<int>(slot)), &command);
  return true;
}

HRESULT CMainFrame::SaveUnsaved() {
  std::vector<QPointer<CChildFrame>> unsaved;
  for (CChildFrame* window : CameraWindows())
    if (window->HasUnsavedPictures())
      unsaved.emplace_back(window);
  const QPointer<CChildFrame> before = ActiveCameraWindow();
  HRESULT result = 0;
  bool saved = false;
  for (const QPointer<CChildFrame>& window : unsaved) {
    // A save may ask the user; the window may be gone afterwards.
    if (!window)
      continue;
    if (window != ActiveCameraWindow())
      window->ActivateInMdiClient();
    result = window->SaveUnsavedPictures();
    saved = true;
    if (result == kCancelled)
      break;
  }
  if (saved && before)
    before->ActivateInMdiClient();
  return result;
}

void CMainFrame::OnSaveResult(std::int32_t kind, HRESULT code) {
  if (kind == 0) {
    if (m_runningTakes > 0)
      --m_runningTakes;
    if (m_runningTakes == 0)
      SetFrameStatus(IDS_READY);
    RefreshIfCamerasRest();
  }
  // An open time-lapse dialog follows the results and lists the errors.
  QObject* receiver = nullptr;
  for (const QPointer<QObject>& dialog : m_timeLapseDialogs)
    if (dialog)
      receiver = dialog.data();
  if (receiver)
    QCoreApplication::postEvent(receiver, new tarsel::host::SaveResultEvent(kind, code));
  else if (kind == 1 && code != 0)
    ReportError(code);
  if (kind == 0)
    emit takeEnded();
}

void CMainFrame::OnSaveOutcome(const tarsel::saving::SaveOutcomeEvent& outcome) {
  using tarsel::saving::SaveOutcome;
  if (outcome.saved()) {
    m_saveFailureTold = false;
    return;
  }
  if (outcome.outcome() != SaveOutcome::Failed && outcome.outcome() != SaveOutcome::Skipped)
    return;
  // An open time-lapse dialog lists every failure.
  for (const QPointer<QObject>& dialog : m_timeLapseDialogs)
    if (dialog) {
      QCoreApplication::postEvent(dialog.data(), new tarsel::host::SaveResultEvent(1, outcome.code()));
      return;
    }
  // A run of failed saves is told once: the pictures of the run stay on
  // their cards or unsaved in their windows, and the error log lists each.
  if (std::exchange(m_saveFailureTold, true))
    return;
  const std::string where = outcome.target().empty()
                                ? std::string("The pictures could not be saved.")
                                : "The pictures could not be saved to " + outcome.target() + ".";
  ::ReportError(
      _brantel_take_error(outcome.code(), (where + " They stay on their cameras' cards or unsaved in their "
                                                   "windows; the error log lists each one.")
                                              .c_str()),
      Hwnd());
}

void CMainFrame::ShowNoSaversMessage() {
  // The box waits until the discovery has ended, so that the camera windows
  // open and the remote control starts behind it; a later discovery adds no
  // second box while one is waiting or shown.
  if (m_noSaversMessagePending)
    return;
  m_noSaversMessagePending = true;
  QTimer::singleShot(0, this, [this] {
    tarsel::ui::Guard(this, [this] {
      const auto done = qScopeGuard([this] { m_noSaversMessagePending = false; });
      tarsel::ui::AskUser(this, IDS_NO_SAVERS, tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Error);
    });
  });
}

bool CMainFrame::HasSavers() {
  return m_options.savers && m_options.savers->GetCount() > 0;
}

HRESULT CMainFrame::SavePicturesInteractive(CChildFrame* window, IPictureFromCamera* const* pictures,
                                            int count) {
  if (!m_options.savers || !window)
    return static_cast<HRESULT>(ERROR_CANCELLED);
  return tarsel::saving::SaveWithChosenSaver(*m_options.savers, m_settings, window->WindowHandle(),
                                             window->SaveInfo(), pictures, count);
}

// Without a saver to take it a picture is not queued: it stays unsaved in
// its window rather than being dropped by the queue.
bool CMainFrame::QueuePictureSave(IPictureFromCamera* picture, ISaveInfo* saveInfo, const char* cameraName,
                                  QObject* outcomeReceiver) {
  return m_saveThread && ChooseSaver() &&
         m_saveThread->QueuePictureSave(picture, saveInfo, cameraName, outcomeReceiver);
}

bool CMainFrame::QueueSynchronizedSave(IPictureFromCamera* picture, const char* cameraName, HRESULT,
                                       std::int32_t counter, bool save, QObject* outcomeReceiver) {
  // The take's context reports a failed camera and the take's end; only the
  // pictures go to the queue, named with their own take's counter.
  if (!m_saveThread || !picture || !ChooseSaver())
    return false;
  tarsel::saving::AllCamerasTake take = m_take;
  take.counter = static_cast<std::uint32_t>(counter);
  take.save = save;
  take.pending = 0;
  return m_saveThread->QueueSynchronizedSave(take, picture, cameraName, 0, outcomeReceiver);
}

std::size_t CMainFrame::SaveQueueLength() const {
  return m_saveThread ? m_saveThread->GetSaveQueueLength() : 0;
}

void CMainFrame::OnSaveQueueLength(std::size_t length) {
  SetFramePaneText(3, length == 0 ? QString() : ResFormat(IDS_SAVE_QUEUE, static_cast<long>(length)));
}

CSaveDllWrapper* CMainFrame::ChooseSaver() {
  if (!m_options.savers)
    return nullptr;
  char name[261] = {};
  if (const auto user = tarsel::settings::OpenUserSettings(m_settings, true)) {
    DWORD size = sizeof name - 1;
    // A name that cannot be read counts as none: the default saver.
    if (user->GetLastMethodOfSaving(name, &size) != 0)
      name[0] = '\0';
  }
  return m_options.savers->FindSaver(m_settings, name);
}

void CMainFrame::ReportError(HRESULT code) {
  ::ReportError(code, Hwnd());
}

void CMainFrame::SetReadyStatus() {
  SetFrameStatus(IDS_READY);
}

bool CMainFrame::GetAutoSaveAfterTaking() {
  const auto user = tarsel::settings::OpenUserSettings(m_settings, true);
  return user && user->GetAutoSaveAfterTaking();
}

void CMainFrame::StartSaveThread() {
  try {
    m_saveThread = std::make_unique<tarsel::saving::CSaveThread>(this, Hwnd(), m_settings, *this);
  } catch (const _brantel_take_error& error) {
    // Without the thread nothing is queued: pictures stay unsaved in their windows.
    ::ReportError(error, Hwnd());
  }
}
