#include "app/frame/ChildFrame.h"

#include "app/core/IBracketing.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/BatteryStatus.h"
#include "app/frame/ChildFrameInternals.h"
#include "app/frame/ChildFrameSite.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/OpenCameraSettingsEvent.h"
#include "app/host/WaitEvent.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"
#include "app/pictures/CamExtraCommand.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "app/ui/CameraConnectGuard.h"
#include "app/ui/ClipboardGuard.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"
#include "platform/Win32Error.h"

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>

#include <vector>

using namespace tarsel::frame::detail;
namespace cmd = tarsel::frame::cmd;
using tarsel::host::CameraStatusEvent;
using tarsel::host::CConnectedCameraHost;

// Showing pictures ----------------------------------------------------------------

IPictureFromCamera* CChildFrame::CurrentPicture() const {
  return m_host ? m_host->GetPicture(-1) : nullptr;
}

void CChildFrame::DecodeAndShow(IPictureFromCamera* picture, bool keepScroll) {
  ShowStatus(kIdsDecompressing);
  const std::int32_t divisor = m_host ? m_host->GetZoomDivisor() : static_cast<std::int32_t>(m_zoom);
  picture->Decode(1, static_cast<DWORD>(divisor));
  m_view->SetPicture(picture, keepScroll);
}

void CChildFrame::ShowSeriesPicture(IPictureFromCamera* picture) {
  if (picture->HasBitmap() && picture->GetScaleDenominator() == m_zoom) {
    m_view->SetPicture(picture, true);
    return;
  }
  // Not decoded at this window's zoom yet (or never decoded): decode it now.
  ShowStatus(kIdsDecompressing);
  if (HoldsEncodedData(picture))
    picture->Decode(1, m_zoom);
  m_view->SetPicture(picture, false);
  ShowStatus(kIdsReady);
}

void CChildFrame::ZoomTo(std::uint32_t divisor) {
  IPictureFromCamera* picture = CurrentPicture();
  if (!picture || picture->GetScaleDenominator() == divisor)
    return;
  const WaitCursor wait;
  ShowStatus(kIdsDecompressing);
  if (HoldsEncodedData(picture))
    picture->Decode(1, divisor);
  m_host->SetZoomDivisor(static_cast<std::int32_t>(divisor));
  m_zoom = divisor;
  m_view->SetPicture(picture, false);
  ShowStatus(kIdsReady);
}

void CChildFrame::StepPicture(bool forward) {
  const WaitCursor wait;
  IPictureFromCamera* picture = forward ? m_host->NextPicture() : m_host->PreviousPicture();
  if (picture)
    ShowSeriesPicture(picture);
}

void CChildFrame::DeleteCurrentPicture() {
  const QPointer<CChildFrame> alive(this);
  const int answer =
      tarsel::ui::AskUser(this, kIdsDeletePicture, tarsel::ui::Buttons::OkCancel, tarsel::ui::Icon::Question);
  if (!alive || answer != tarsel::ui::IDOK || !m_host)
    return;
  const WaitCursor wait;
  m_host->DeletePicture(-1);
  if (IPictureFromCamera* picture = CurrentPicture()) {
    ShowSeriesPicture(picture);
    return;
  }
  m_view->SetPicture(nullptr, false);
  m_unsaved = false;
}

void CChildFrame::DeleteSeries() {
  const QPointer<CChildFrame> alive(this);
  const int answer =
      tarsel::ui::AskUser(this, kIdsDeleteSeries, tarsel::ui::Buttons::OkCancel, tarsel::ui::Icon::Question);
  if (!alive || answer != tarsel::ui::IDOK || !m_host)
    return;
  m_host->ClearPictures();
  m_view->SetPicture(nullptr, false);
  m_unsaved = false;
}

void CChildFrame::RotateCurrent(std::int32_t code) {
  IPictureFromCamera* picture = CurrentPicture();
  if (!picture)
    return;
  const WaitCursor wait;
  m_statusToFrame = true;
  ShowStatus(kIdsRotating);
  picture->Rotate(code, true);
  m_view->SetPicture(picture, false);
  ShowStatus(kIdsReady);
}

void CChildFrame::CopyToClipboard() {
  IPictureFromCamera* picture = CurrentPicture();
  if (!picture)
    return;
  const QImage image = picture->CreateDibSection();
  if (image.isNull())
    ThrowError(static_cast<HRESULT>(ERROR_INVALID_DATA), "The picture has no bitmap.");
  CClipboardGuard clipboard(this);
  clipboard.SetImage(image);
}

// Saving --------------------------------------------------------------------------

HRESULT CChildFrame::SaveCurrentPicture() {
  HRESULT result = 0;
  Guarded([&] { result = SavePictures(false); });
  return result;
}

HRESULT CChildFrame::SavePictures(bool wholeSeries) {
  if (!m_host || !m_host->HasPictures())
    return 0;
  // Without a saver nothing can be saved: the pictures stay, unsaved.
  if (!m_site || !m_site->HasSavers())
    return static_cast<HRESULT>(ERROR_CANCELLED);
  std::vector<IPictureFromCamera*> pictures;
  if (wholeSeries) {
    for (std::int32_t index = 0; index < m_host->GetPictureCount(); ++index)
      pictures.push_back(m_host->GetPicture(index));
  } else if (IPictureFromCamera* current = CurrentPicture()) {
    pictures.push_back(current);
  }
  if (pictures.empty())
    return 0;
  // The series may change while a saver's dialog runs: hold the pictures.
  std::vector<CRefPtr<IPictureFromCamera>> held(pictures.begin(), pictures.end());
  const QPointer<CChildFrame> alive(this);
  const HRESULT result =
      m_site->SavePicturesInteractive(this, pictures.data(), static_cast<int>(pictures.size()));
  if (!alive)
    return result;
  if (result == 0) {
    if (m_host)
      m_host->MarkSeriesForReplace();
    m_unsaved = false;
  } else if (result != static_cast<HRESULT>(ERROR_CANCELLED)) {
    Report(result);
  }
  return result;
}

// Camera dialogs, monitor and preview ---------------------------------------------

void CChildFrame::OpenCameraSettings(std::int32_t firstPage) {
  ICameraHiLevel* camera = GetCamera();
  if (!camera)
    return;
  const QPointer<CChildFrame> alive(this);
  ThrowIfDialogFailed(camera->ShowCameraSettings(WindowHandle(), this, firstPage));
  if (alive && GetCamera())
    GetCamera()->NotifyCaptureProperties(1);
}

CChildFrame::LcdPreviewChoice CChildFrame::AskLcdOrPreview(UINT stringId) {
  const CRefPtr<ITarselConfigSettings> user = UserSettings(false);
  bool onlyOne = false;
  if (user && user->GetLcdOrPreview(&onlyOne) == 0)
    return onlyOne ? LcdPreviewChoice::OnlyOne : LcdPreviewChoice::Both;
  const int answer =
      tarsel::ui::AskUser(this, stringId, tarsel::ui::Buttons::YesNoCancel, tarsel::ui::Icon::Information);
  if (answer == tarsel::ui::IDYES) {
    if (user)
      user->SetLcdOrPreview(true);
    return LcdPreviewChoice::OnlyOne;
  }
  if (answer == tarsel::ui::IDNO && user)
    user->SetLcdOrPreview(false);
  return LcdPreviewChoice::Both;
}

void CChildFrame::MonitorOn() {
  m_statusToFrame = true;
  if (m_site && m_site->HasPreviewWindow()) {
    const QPointer<CChildFrame> alive(this);
    const LcdPreviewChoice choice = AskLcdOrPreview(kIdsLcdAndPreview);
    if (!alive)
      return;
    if (choice == LcdPreviewChoice::OnlyOne && m_site)
      m_site->ClosePreview();
  }
  ICameraHiLevel* camera = GetCamera();
  if (!camera)
    return;
  ThrowIfFailed(camera->LcdOn(0));
  camera->ReportStatus(this);
}

void CChildFrame::MonitorOff() {
  m_statusToFrame = true;
  ICameraHiLevel* camera = GetCamera();
  if (!camera)
    return;
  ThrowIfFailed(camera->LcdOff());
  camera->ReportStatus(this);
}

void CChildFrame::TogglePreview() {
  if (!m_site)
    return;
  if (m_site->HasPreviewWindow()) {
    m_site->ClosePreview();
    return;
  }
  ICameraHiLevel* camera = GetCamera();
  if (!camera)
    return;
  if (camera->IsLcdOn()) {
    const QPointer<CChildFrame> alive(this);
    const LcdPreviewChoice choice = AskLcdOrPreview(kIdsLcdAndPreview);
    if (!alive || !GetCamera())
      return;
    if (choice == LcdPreviewChoice::OnlyOne) {
      ThrowIfFailed(GetCamera()->LcdOff());
      GetCamera()->ReportStatus(this);
    }
  }
  if (m_site)
    m_site->OpenPreview(this);
}

void CChildFrame::OnMdiActivate(bool active) {
  ICameraHiLevel* camera = GetCamera();
  if (!camera || m_disconnected || m_destroying)
    return;
  Guarded([&] {
    camera->OnActivate(active);
    if (!active)
      return;
    if (!OwnBarShown() && m_statusToFrame && m_site) {
      for (int pane = 0; pane < 5; ++pane)
        SetPane(pane, m_panes[pane]->text());
    }
    camera->ReportStatus(this);
    if (m_site && m_site->HasPreviewWindow() && camera->IsLcdOn()) {
      const QPointer<CChildFrame> alive(this);
      const LcdPreviewChoice choice = AskLcdOrPreview(kIdsSwitchingToLcdCamera);
      if (!alive)
        return;
      if (choice == LcdPreviewChoice::OnlyOne && GetCamera()) {
        ThrowIfFailed(GetCamera()->LcdOff());
        GetCamera()->ReportStatus(this);
      }
    }
    if (m_site)
      m_site->SetPreviewSource(this);
  });
}

// Commands ------------------------------------------------------------------------

bool CChildFrame::OnUpdateCommand(UINT id, CCmdUI* state) {
  CCmdUI local;
  CCmdUI* target = state ? state : &local;
  target->enabled = false;
  target->checked = false;
  try {
    return CommandEnabled(id, target);
  } catch (...) {
    target->enabled = false;
    return true;
  }
}

bool CChildFrame::CommandEnabled(UINT id, CCmdUI* state) {
  ICameraHiLevel* camera = GetCamera();
  const bool connected = camera && !m_disconnected;
  IPictureFromCamera* current = CurrentPicture();
  const bool decoded = current && current->HasBitmap();
  const bool strip = m_view->IsFocusStripShown();
  const bool hasPictures = m_host && m_host->HasPictures();
  switch (id) {
  case cmd::TakePicture:
    state->enabled = !m_busy && connected;
    return true;
  case cmd::CancelBracketing:
  case cmd::FileClose:
    state->enabled = true;
    return true;
  case cmd::Zoom100:
  case cmd::Zoom50:
  case cmd::Zoom25: {
    const std::int32_t divisor = id == cmd::Zoom100 ? 1 : id == cmd::Zoom50 ? 2 : 4;
    state->enabled = decoded && !strip && m_host->GetZoomDivisor() != divisor;
    return true;
  }
  case cmd::PreviousPicture:
    state->enabled = hasPictures && !m_host->IsAtFirst() && !strip;
    return true;
  case cmd::NextPicture:
    state->enabled = hasPictures && !m_host->IsAtLast() && !strip;
    return true;
  case cmd::DeletePicture:
  case cmd::CancelSeries:
    state->enabled = hasPictures && !strip;
    return true;
  case cmd::RotateClockwise:
  case cmd::RotateCounterclockwise:
    state->enabled = decoded && !strip;
    return true;
  case cmd::EditCopy:
    state->enabled = decoded;
    return true;
  case cmd::FileSaveAs:
  case cmd::SaveSeries:
    state->enabled = hasPictures && m_site && m_site->HasSavers();
    return true;
  case cmd::ShowPreview: {
    // Until the live preview exists the command can only close a preview window.
    const bool previewShown = m_site && m_site->HasPreviewWindow();
    state->enabled = connected && previewShown;
    state->checked = previewShown;
    return true;
  }
  case cmd::CaptureProperties:
    state->enabled = connected;
    state->checked = m_site && m_site->IsCaptureDialogShown();
    return true;
  case cmd::LcdOn:
  case cmd::LcdOff:
  case cmd::CameraInfo:
  case cmd::DetectCapabilities:
  case cmd::DownloadAllPictures:
  case cmd::AdvancedSettings:
    state->enabled = connected;
    return true;
  case cmd::SaveCaptureSettings:
  case cmd::LoadCaptureSettings:
    // Capture-profile files do not exist yet.
    state->enabled = false;
    return true;
  case cmd::SaveAllFocusingImages:
    state->enabled = strip;
    return true;
  case cmd::ViewStatusBar:
    state->enabled = true;
    state->checked = m_statusBarShown;
    return true;
  default:
    return false;
  }
}

bool CChildFrame::OnCommand(UINT id) {
  CCmdUI state;
  if (!OnUpdateCommand(id, &state))
    return false;
  if (!state.enabled)
    return true;
  Guarded([&] { RunCommand(id); });
  return true;
}

void CChildFrame::RunCommand(UINT id) {
  ICameraHiLevel* camera = GetCamera();
  switch (id) {
  case cmd::TakePicture:
    OnTakePicture();
    break;
  case cmd::CancelBracketing:
    EndBracketing();
    break;
  case cmd::Zoom100:
    m_statusToFrame = true;
    ZoomTo(1);
    break;
  case cmd::Zoom50:
    m_statusToFrame = true;
    ZoomTo(2);
    break;
  case cmd::Zoom25:
    m_statusToFrame = true;
    ZoomTo(4);
    break;
  case cmd::PreviousPicture:
    StepPicture(false);
    break;
  case cmd::NextPicture:
    StepPicture(true);
    break;
  case cmd::DeletePicture:
    DeleteCurrentPicture();
    break;
  case cmd::CancelSeries:
    DeleteSeries();
    break;
  case cmd::RotateClockwise:
    RotateCurrent(1);
    break;
  case cmd::RotateCounterclockwise:
    RotateCurrent(3);
    break;
  case cmd::EditCopy:
    CopyToClipboard();
    break;
  case cmd::FileSaveAs:
    SavePictures(false);
    break;
  case cmd::SaveSeries:
    if (!m_busy)
      SavePictures(true);
    break;
  case cmd::ShowPreview:
    TogglePreview();
    break;
  case cmd::CaptureProperties:
    if (!m_site)
      break;
    if (m_site->IsCaptureDialogShown())
      m_site->HideCaptureDialogs();
    else
      m_site->ShowCaptureDialogFor(this);
    break;
  case cmd::LcdOn:
    MonitorOn();
    break;
  case cmd::LcdOff:
    MonitorOff();
    break;
  case cmd::CameraInfo:
    if (camera)
      ThrowIfDialogFailed(camera->ShowCameraInfo(WindowHandle(), this));
    break;
  case cmd::DetectCapabilities:
    if (m_site)
      m_site->ClosePreview();
    if (camera)
      ThrowIfDialogFailed(camera->ShowCapabilityTest(WindowHandle(), this));
    break;
  case cmd::DownloadAllPictures:
    if (m_site)
      m_site->ClosePreview();
    if (camera)
      ThrowIfDialogFailed(camera->ShowDownloadAllPictures(WindowHandle(), this));
    break;
  case cmd::AdvancedSettings:
    OpenCameraSettings(0);
    break;
  case cmd::FileClose:
    close();
    break;
  case cmd::ViewStatusBar:
    m_statusBarShown = !m_statusBarShown;
    UpdateStatusBarPlacement(false);
    break;
  default:
    break;
  }
}
