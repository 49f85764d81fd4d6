#include "app/frame/ChildFrame.h"

#include "app/core/CaptureProfileStorage.h"
#include "app/core/IBracketing.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/BatteryStatus.h"
#include "app/frame/ChildFrameInternals.h"
#include "app/frame/ChildFrameSite.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/OpenCameraSettingsEvent.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/TarselEvents.h"
#include "app/host/WaitEvent.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/ui/CameraConnectGuard.h"
#include "app/ui/CaptureProfileDialogs.h"
#include "app/ui/ClipboardGuard.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
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
  ShowStatus(IDS_DECOMPRESSING);
  const std::int32_t divisor = m_host ? m_host->GetZoomDivisor() : static_cast<std::int32_t>(m_zoom);
  picture->Decode(1, static_cast<DWORD>(divisor));
  m_view->ShowPicture(picture, !keepScroll);
  // Not while a page holds another divisor for its own work.
  if (m_openingZoomPending && m_host && divisor == static_cast<std::int32_t>(m_zoom) &&
      !m_view->IsFocusStripShown())
    ChooseOpeningZoom(picture);
}

void CChildFrame::ChooseOpeningZoom(IPictureFromCamera* picture) {
  m_openingZoomPending = false;
  const std::uint32_t divisor = m_view->FittingDivisor();
  if (divisor == m_zoom)
    return;
  picture->Decode(1, divisor);
  m_host->SetZoomDivisor(static_cast<std::int32_t>(divisor));
  m_zoom = divisor;
  m_view->ShowPicture(picture, true);
}

void CChildFrame::ShowSeriesPicture(IPictureFromCamera* picture) {
  if (picture->HasBitmap() && picture->GetScaleDenominator() == m_zoom) {
    m_view->ShowPicture(picture, false);
    return;
  }
  // Not decoded at this window's zoom yet (or never decoded): decode it now.
  ShowStatus(IDS_DECOMPRESSING);
  if (HoldsEncodedData(picture))
    picture->Decode(1, m_zoom);
  m_view->ShowPicture(picture, true);
  ShowStatus(IDS_READY);
}

void CChildFrame::ZoomTo(std::uint32_t divisor) {
  IPictureFromCamera* picture = CurrentPicture();
  if (!picture || picture->GetScaleDenominator() == divisor)
    return;
  // The user's zoom holds from now on.
  m_openingZoomPending = false;
  const WaitCursor wait;
  ShowStatus(IDS_DECOMPRESSING);
  if (HoldsEncodedData(picture))
    picture->Decode(1, divisor);
  m_host->SetZoomDivisor(static_cast<std::int32_t>(divisor));
  m_zoom = divisor;
  m_view->ShowPicture(picture, true);
  ShowStatus(IDS_READY);
}

void CChildFrame::StepPicture(bool forward) {
  const WaitCursor wait;
  IPictureFromCamera* picture = forward ? m_host->NextPicture() : m_host->PreviousPicture();
  if (picture)
    ShowSeriesPicture(picture);
}

void CChildFrame::DeleteCurrentPicture() {
  const QPointer<CChildFrame> alive(this);
  const int answer = tarsel::ui::AskUser(this, IDS_DELETE_PICTURE, tarsel::ui::Buttons::OkCancel,
                                         tarsel::ui::Icon::Question);
  if (!alive || answer != tarsel::ui::IDOK || !m_host)
    return;
  const WaitCursor wait;
  m_host->DeletePicture(-1);
  if (IPictureFromCamera* picture = CurrentPicture()) {
    ShowSeriesPicture(picture);
    return;
  }
  m_view->ShowPicture(nullptr, true);
  m_unsaved = false;
}

void CChildFrame::DeleteSeries() {
  const QPointer<CChildFrame> alive(this);
  const int answer =
      tarsel::ui::AskUser(this, IDS_DELETE_SERIES, tarsel::ui::Buttons::OkCancel, tarsel::ui::Icon::Question);
  if (!alive || answer != tarsel::ui::IDOK || !m_host)
    return;
  m_host->ClearPictures();
  m_view->ShowPicture(nullptr, true);
  m_unsaved = false;
}

void CChildFrame::RotateCurrent(std::int32_t code) {
  IPictureFromCamera* picture = CurrentPicture();
  if (!picture)
    return;
  const WaitCursor wait;
  m_statusToFrame = true;
  ShowStatus(IDS_ROTATING);
  picture->Rotate(code, true);
  m_view->ShowPicture(picture, true);
  ShowStatus(IDS_READY);
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

bool CChildFrame::HasUnsavedPictures() const {
  return m_unsaved || (m_host && m_host->HasHeldPictures());
}

HRESULT CChildFrame::SaveUnsavedPictures() {
  HRESULT result = 0;
  Guarded([&] {
    if (!m_host)
      return;
    std::vector<IPictureFromCamera*> pictures;
    for (std::int32_t index = 0; index < m_host->GetPictureCount(); ++index) {
      IPictureFromCamera* picture = m_host->GetPicture(index);
      if (m_host->IsHeld(picture) || (m_unsaved && picture == CurrentPicture()))
        pictures.push_back(picture);
    }
    result = SavePictureList(std::move(pictures));
  });
  return result;
}

HRESULT CChildFrame::SavePictures(bool wholeSeries) {
  if (!m_host || !m_host->HasPictures())
    return 0;
  std::vector<IPictureFromCamera*> pictures;
  if (wholeSeries) {
    for (std::int32_t index = 0; index < m_host->GetPictureCount(); ++index)
      pictures.push_back(m_host->GetPicture(index));
  } else if (IPictureFromCamera* current = CurrentPicture()) {
    pictures.push_back(current);
  }
  return SavePictureList(std::move(pictures));
}

HRESULT CChildFrame::SavePictureList(std::vector<IPictureFromCamera*> pictures) {
  if (pictures.empty())
    return 0;
  // Without a saver nothing can be saved: the pictures stay, unsaved.
  if (!m_site || !m_site->HasSavers())
    return static_cast<HRESULT>(ERROR_CANCELLED);
  // The series may change while a saver's dialog runs: hold the pictures.
  std::vector<CRefPtr<IPictureFromCamera>> held(pictures.begin(), pictures.end());
  const QPointer<CChildFrame> alive(this);
  const HRESULT result =
      m_site->SavePicturesInteractive(this, pictures.data(), static_cast<int>(pictures.size()));
  if (!alive)
    return result;
  if (result == 0) {
    if (m_host) {
      for (IPictureFromCamera* picture : pictures)
        m_host->ReleasePicture(picture);
      m_host->MarkSeriesForReplace();
    }
    m_unsaved = false;
  } else if (result != static_cast<HRESULT>(ERROR_CANCELLED)) {
    Report(result);
  }
  return result;
}

// Camera dialogs, monitor and preview ---------------------------------------------

void CChildFrame::OpenCameraSettings(std::int32_t firstPage) {
  // A request posted before the camera went finds it disconnected.
  ICameraHiLevel* camera = GetCamera();
  if (!camera || m_disconnected)
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

void CChildFrame::SaveCaptureSettings() {
  ICameraHiLevel* camera = GetCamera();
  if (!camera)
    return;
  CCaptureProfileStorage storage;
  {
    const WaitCursor wait;
    ThrowIfFailed(camera->GetCaptureSettingsText(&storage));
  }
  tarsel::ui::SaveCaptureProfileFile(storage, this, m_site ? m_site->GetSettings() : nullptr);
}

void CChildFrame::LoadCaptureSettings() {
  CCaptureProfileStorage storage;
  const QPointer<CChildFrame> alive(this);
  if (!tarsel::ui::OpenCaptureProfileFile(storage, this, m_site ? m_site->GetSettings() : nullptr))
    return;
  // The dialog let events run: the window or its camera may be gone.
  ICameraHiLevel* camera = alive ? GetCamera() : nullptr;
  if (!camera)
    return;
  const WaitCursor wait;
  // A profile with nothing to apply (S_FALSE) is no failure.
  if (const HRESULT result = camera->ApplyCaptureSettingsText(&storage); result != S_FALSE)
    ThrowIfFailed(result);
  camera->ReportStatus(this);
  ThrowIfFailed(camera->NotifyCaptureProperties(0));
}

void CChildFrame::MonitorOn() {
  m_statusToFrame = true;
  if (m_site && m_site->HasPreviewWindow()) {
    const QPointer<CChildFrame> alive(this);
    const LcdPreviewChoice choice = AskLcdOrPreview(IDS_LCD_AND_PREVIEW);
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
    const LcdPreviewChoice choice = AskLcdOrPreview(IDS_LCD_AND_PREVIEW);
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
  if (m_destroying)
    return;
  // Whatever the camera's state, the main bar follows the active window:
  // the window activated next takes it over (or clears it).
  m_current = active;
  if (active)
    Guarded([&] { HandPanesToFrame(); });
  ICameraHiLevel* camera = GetCamera();
  if (!camera || m_disconnected)
    return;
  Guarded([&] {
    camera->OnActivate(active);
    if (!active)
      return;
    camera->ReportStatus(this);
    if (m_site && m_site->HasPreviewWindow() && camera->IsLcdOn()) {
      const QPointer<CChildFrame> alive(this);
      const LcdPreviewChoice choice = AskLcdOrPreview(IDS_SWITCHING_TO_LCD_CAMERA);
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

bool CChildFrame::IsConnectedNow() const {
  return GetCamera() && !m_disconnected;
}

bool CChildFrame::IsCurrentDecoded() const {
  IPictureFromCamera* current = CurrentPicture();
  return current && current->HasBitmap();
}

bool CChildFrame::HoldsPictures() const {
  return m_host && m_host->HasPictures();
}

bool CChildFrame::IsStripShown() const {
  return m_view->IsFocusStripShown();
}

void CChildFrame::RegisterCommands() {
  const auto always = [] { return true; };
  const auto connected = [this] { return IsConnectedNow(); };
  const auto zoom = [this](UINT id, std::uint32_t divisor) {
    m_commands.Add(
        id,
        [this, divisor] {
          return IsCurrentDecoded() && !IsStripShown() &&
                 m_host->GetZoomDivisor() != static_cast<std::int32_t>(divisor);
        },
        [this, divisor] {
          m_statusToFrame = true;
          ZoomTo(divisor);
        });
  };
  using ShowDialog = HRESULT (ICameraHiLevel::*)(HWND, _ITarselCallback*);
  const auto dialog = [this](UINT id, bool closesPreview, ShowDialog showDialog) {
    m_commands.Add(
        id, [this] { return IsConnectedNow(); },
        [this, closesPreview, showDialog] {
          if (closesPreview && m_site)
            m_site->ClosePreview();
          if (ICameraHiLevel* camera = GetCamera())
            ThrowIfDialogFailed((camera->*showDialog)(WindowHandle(), this));
        });
  };

  m_commands.Add(
      cmd::TakePicture, [this] { return !m_busy && !m_downloading && IsConnectedNow(); },
      [this] { OnTakePicture(); });
  m_commands.Add(cmd::CancelBracketing, always, [this] { EndBracketing(); });
  zoom(cmd::Zoom100, 1);
  zoom(cmd::Zoom50, 2);
  zoom(cmd::Zoom25, 4);
  m_commands.Add(
      cmd::PreviousPicture, [this] { return HoldsPictures() && !m_host->IsAtFirst() && !IsStripShown(); },
      [this] { StepPicture(false); });
  m_commands.Add(
      cmd::NextPicture, [this] { return HoldsPictures() && !m_host->IsAtLast() && !IsStripShown(); },
      [this] { StepPicture(true); });
  const auto seriesShown = [this] { return HoldsPictures() && !IsStripShown(); };
  m_commands.Add(cmd::DeletePicture, seriesShown, [this] { DeleteCurrentPicture(); });
  m_commands.Add(cmd::CancelSeries, seriesShown, [this] { DeleteSeries(); });
  const auto rotatable = [this] { return IsCurrentDecoded() && !IsStripShown(); };
  m_commands.Add(cmd::RotateClockwise, rotatable, [this] { RotateCurrent(1); });
  m_commands.Add(cmd::RotateCounterclockwise, rotatable, [this] { RotateCurrent(3); });
  m_commands.Add(
      cmd::EditCopy, [this] { return IsCurrentDecoded(); }, [this] { CopyToClipboard(); });
  const auto savable = [this] { return HoldsPictures() && m_site && m_site->HasSavers(); };
  m_commands.Add(cmd::FileSaveAs, savable, [this] { SavePictures(false); });
  m_commands.Add(cmd::SaveSeries, savable, [this] {
    if (!m_busy)
      SavePictures(true);
  });
  m_commands.Add(
      cmd::ShowPreview, connected, [this] { TogglePreview(); },
      [this] { return m_site && m_site->HasPreviewWindow(); });
  m_commands.Add(
      cmd::CaptureProperties, connected,
      [this] {
        if (!m_site)
          return;
        if (m_site->IsCaptureDialogShown())
          m_site->HideCaptureDialogs();
        else
          m_site->ShowCaptureDialogFor(this);
      },
      [this] { return m_site && m_site->IsCaptureDialogShown(); });
  m_commands.Add(cmd::LcdOn, connected, [this] { MonitorOn(); });
  m_commands.Add(cmd::LcdOff, connected, [this] { MonitorOff(); });
  dialog(cmd::CameraInfo, false, &ICameraHiLevel::ShowCameraInfo);
  dialog(cmd::DetectCapabilities, true, &ICameraHiLevel::ShowCapabilityTest);
  dialog(cmd::DownloadAllPictures, true, &ICameraHiLevel::ShowDownloadAllPictures);
  m_commands.Add(cmd::AdvancedSettings, connected, [this] { OpenCameraSettings(0); });
  m_commands.Add(cmd::SaveCaptureSettings, connected, [this] { SaveCaptureSettings(); });
  m_commands.Add(cmd::LoadCaptureSettings, connected, [this] { LoadCaptureSettings(); });
  m_commands.Add(
      cmd::SaveAllFocusingImages, [this] { return IsStripShown(); },
      [this] { m_view->SaveAllFocusingImages(); });
  m_commands.Add(cmd::FileClose, always, [this] { close(); });
  m_commands.Add(
      cmd::ViewStatusBar, always,
      [this] {
        m_statusBarShown = !m_statusBarShown;
        UpdateStatusBarPlacement(false);
      },
      [this] { return m_statusBarShown; });
}

bool CChildFrame::OnUpdateCommand(UINT id, CCmdUI* state) {
  return m_commands.Update(id, state);
}

bool CChildFrame::OnCommand(UINT id) {
  CCmdUI state;
  if (!m_commands.Update(id, &state))
    return false;
  if (state.enabled)
    Guarded(m_commands.Find(id)->run);
  return true;
}
