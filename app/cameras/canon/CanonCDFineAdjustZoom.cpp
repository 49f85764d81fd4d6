#include "app/cameras/canon/CanonCDFineAdjustZoom.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/common/CameraStatusLine.h"
#include "app/cameras/dialogs/TakeDone.h"
#include "app/cameras/dialogs/ZoomSlider.h"
#include "app/core/RangeD.h"
#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"
#include "app/ui/ButtonTP.h"
#include "app/ui/CameraConnectGuard.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "env/BrantelTakeError.h"
#include "env/HtmlHelp.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr int IDC_TAKE = 1030;
constexpr int IDC_DETECT = 2002;
constexpr UINT kDetectCameraSettingsCommand = 32796;
constexpr const char* kHelpTopic = "05e_controlling_zoom.htm";

} // namespace

// What the opening reads.
struct CCanonCD_FineAdjustZoom::Opening {
  std::int32_t position = 0;
  double factor = 0;
  CRangeD range{-1, -1, 0.0, 0.0};
  bool monitorSwitchedOn = false;
  bool capabilitiesKnown = false;
  std::string status;
};

CCanonCD_FineAdjustZoom::CCanonCD_FineAdjustZoom(CanonCD_Wr* camera, QWidget* parent)
    : QDialog(parent), m_camera(camera),
      m_calls(this, ICameraWindow::FromObject(parent), [this] { UpdateEnabled(); }) {
  using tarsel::ui::NamedControl;
  setWindowTitle(QStringLiteral("Fine Optical Zoom Adjustment - ") +
                 QString::fromUtf8(camera->GetCameraName()));
  auto* group = new QGroupBox(QStringLiteral(" Optical Zoom"), this);
  auto* groupLayout = new QVBoxLayout(group);
  m_zoom.emplace(group, groupLayout, [this](std::int32_t position) { OnSlider(position); });
  m_zoom->MinLabel()->setText(QStringLiteral("***"));
  m_zoom->MaxLabel()->setText(QStringLiteral("***"));
  m_zoom->MaxLabel()->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  m_take = NamedControl(new CButtonTP(QStringLiteral("&Take picture"), this), IDC_TAKE);
  m_take->setToolTip(m_take->text());
  tarsel::ui::ConnectGuarded(m_take, &QPushButton::clicked, this, [this] { OnTakePicture(); });
  m_detect = NamedControl(new QPushButton(QStringLiteral("&Detect Capabilities"), this), IDC_DETECT);
  tarsel::ui::ConnectGuarded(m_detect, &QPushButton::clicked, this, [this] { OnDetect(); });
  auto* takeRow = new QHBoxLayout;
  takeRow->addWidget(tarsel::ui::BuddyLabel(QStringLiteral("&Take Picture:"), m_take));
  takeRow->addWidget(m_take);
  takeRow->addStretch(1);
  takeRow->addWidget(m_detect);

  auto* buttons = new QDialogButtonBox(this);
  m_ok = NamedControl(buttons->addButton(QDialogButtonBox::Ok), 1);
  NamedControl(buttons->addButton(QDialogButtonBox::Cancel), 2);
  auto* help = NamedControl(buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole),
                            tarsel::ui::IDC_HELP);
  connect(buttons, &QDialogButtonBox::accepted, this, &CCanonCD_FineAdjustZoom::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CCanonCD_FineAdjustZoom::reject);
  const auto showHelp = [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(this, kHelpTopic);
  };
  tarsel::ui::ConnectGuarded(help, &QPushButton::clicked, this, showHelp);
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                             showHelp);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(takeRow);
  layout->addWidget(buttons);
  Open();
}

void CCanonCD_FineAdjustZoom::Open() {
  CanonCD_Wr* camera = m_camera;
  ICameraWindow* window = m_calls.Window();
  if (window)
    window->SetWaitingWindow(this);
  // The live preview keeps the monitor as it is.
  const bool useMonitor = window && !window->HasPreviewWindow();
  auto opening = m_opening = std::make_shared<Opening>();
  const bool queued = m_calls.Run(
      [camera, opening, useMonitor] {
        const CCameraConnectGuard connection(camera);
        ThrowIfFailed(camera->GetPropOpticalZoom(&opening->position, &opening->factor));
        ThrowIfFailed(camera->GetOpticalZoomRange(&opening->range));
        if (useMonitor && !camera->IsLcdOn()) {
          ThrowIfFailed(camera->LcdOn(0));
          opening->monitorSwitchedOn = true;
          opening->status = tarsel::cameras::CameraStatusLine(*camera);
        }
        opening->capabilitiesKnown = camera->GetCapabilities(false);
      },
      [this, opening] { Opened(*opening); },
      [this] {
        m_opened = true;
        UpdateEnabled();
      });
  // Without a camera there is nothing to wait for.
  m_opened = !queued;
  UpdateEnabled();
}

CCanonCD_FineAdjustZoom::~CCanonCD_FineAdjustZoom() = default;

void CCanonCD_FineAdjustZoom::done(int result) {
  // Not in the destructor: a window that goes first takes the dialog along.
  if (ICameraWindow* window = m_calls.Window())
    window->ClearWaitingWindow(this);
  QDialog::done(result);
}

void CCanonCD_FineAdjustZoom::Opened(const Opening& opening) {
  m_monitorSwitchedOn = opening.monitorSwitchedOn;
  if (m_monitorSwitchedOn)
    m_calls.ShowStatus(opening.status);
  m_start = m_position = opening.position;
  m_detect->setVisible(!opening.capabilitiesKnown);
  m_zoom->ShowRange(opening.range.GetMin(), opening.range.GetMax(), opening.position, opening.factor,
                    opening.range.GetMinValue(), opening.range.GetMaxValue());
  m_opened = true;
  UpdateEnabled();
}

bool CCanonCD_FineAdjustZoom::IsBusy() const {
  return !m_opened || m_calls.IsPending() || m_taking;
}

void CCanonCD_FineAdjustZoom::UpdateEnabled() {
  const bool idle = !IsBusy() && !m_ending;
  if (idle)
    unsetCursor();
  else
    setCursor(Qt::WaitCursor);
  m_zoom->SetEnabled(idle);
  m_take->setEnabled(idle);
  m_ok->setEnabled(idle);
}

void CCanonCD_FineAdjustZoom::OnSlider(std::int32_t position) {
  if (m_ending)
    return;
  struct Result {
    std::int32_t reached = 0;
    double factor = 0;
    std::string status;
  };
  auto result = std::make_shared<Result>();
  result->reached = position;
  m_calls.Run(
      [camera = m_camera, position, result] {
        const CCameraConnectGuard connection(camera);
        ThrowIfFailed(camera->SetPropOpticalZoom(position, &result->reached, &result->factor));
        result->status = tarsel::cameras::CameraStatusLine(*camera);
      },
      [this, result] {
        m_calls.ShowStatus(result->status);
        m_position = result->reached;
        m_zoom->ShowReached(result->reached, result->factor);
      },
      // The lens may have moved part of the way: Cancel compares with the start.
      [this, position] { m_position = position; });
}

void CCanonCD_FineAdjustZoom::OnTakePicture() {
  ICameraWindow* window = m_calls.Window();
  if (!window || IsBusy() || m_ending)
    return;
  // The live preview holds still while the picture is taken.
  m_previewBusy.emplace();
  m_taking = window->QueueTakePicture(nullptr);
  if (!m_taking)
    m_previewBusy.reset();
  UpdateEnabled();
}

bool CCanonCD_FineAdjustZoom::event(QEvent* event) {
  return tarsel::dialogs::HandleTakeDone(event, this, m_taking,
                                         [this] {
                                           m_previewBusy.reset();
                                           UpdateEnabled();
                                         }) ||
         QDialog::event(event);
}

void CCanonCD_FineAdjustZoom::OnDetect() {
  if (ICameraWindow* window = m_calls.Window())
    window->PostCommand(kDetectCameraSettingsCommand);
  // The zoom stays where it is.
  Finish(QDialog::Rejected, false);
}

void CCanonCD_FineAdjustZoom::accept() {
  if (IsBusy())
    return;
  Finish(QDialog::Accepted, false);
}

void CCanonCD_FineAdjustZoom::reject() {
  Finish(QDialog::Rejected, true);
}

void CCanonCD_FineAdjustZoom::Finish(int result, bool zoomBack) {
  if (m_ending)
    return;
  // A take still running ends by itself; the dialog waits for no job.
  const bool moveBack = zoomBack && m_opened && m_position != m_start;
  // While the opening is still on its way it may yet switch the monitor on:
  // the ending's call comes after it on the worker and looks then.
  if (!moveBack && m_opened && !m_monitorSwitchedOn) {
    done(result);
    return;
  }
  m_ending = true;
  UpdateEnabled();
  auto status = std::make_shared<std::string>();
  const auto end = [this, result] {
    m_ending = false;
    done(result);
  };
  const bool queued = m_calls.Run(
      [camera = m_camera, moveBack, start = m_start, opening = m_opening, status] {
        const CCameraConnectGuard connection(camera);
        // The monitor goes off even when the zoom cannot go back; the first failure is reported.
        const HRESULT zoomed = moveBack ? camera->SetPropOpticalZoom(start, nullptr, nullptr) : 0;
        const HRESULT off = opening->monitorSwitchedOn ? camera->LcdOff() : 0;
        *status = tarsel::cameras::CameraStatusLine(*camera);
        ThrowIfFailed(zoomed);
        ThrowIfFailed(off);
      },
      [this, status, end] {
        m_calls.ShowStatus(*status);
        end();
      },
      end);
  if (!queued)
    end();
}
