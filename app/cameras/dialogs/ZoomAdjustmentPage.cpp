#include "app/cameras/dialogs/ZoomAdjustmentPage.h"

#include "app/cameras/dialogs/TakeDone.h"
#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"
#include "app/ui/ButtonTP.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace tarsel::dialogs {

namespace {

constexpr UINT kDetectCameraSettingsCommand = 32796;

} // namespace

CZoomAdjustmentPage::CZoomAdjustmentPage(std::shared_ptr<ICameraSettingsSource> source, QWidget* cameraWindow)
    : CCameraSettingsPage(QStringLiteral("Optical Zoom Adjustment"), cameraWindow,
                          "05e_controlling_zoom.htm"),
      m_source(std::move(source)) {
  using tarsel::ui::NamedControl;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral(
          "Use this dialog to adjust optical zoom of the camera. You can also adjust optical zoom in "
          "the general capture settings dialog, however here you have slightly better control of "
          "the zoom because the dialog itself is larger."),
      this));
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral(
          "Adjust Optical Zoom by looking in the Preview window or camera LCD and dragging the slider"),
      this));
  m_zoom = std::make_unique<CZoomSlider>(this, layout, [this](std::int32_t position) { OnSlider(position); });
  auto* buttons = new QHBoxLayout;
  m_take = NamedControl(new CButtonTP(QStringLiteral("&Take picture"), this), 1030);
  buttons->addWidget(tarsel::ui::BuddyLabel(QStringLiteral("&Take Picture(s):"), m_take));
  m_take->setToolTip(m_take->text().left(80));
  tarsel::ui::ConnectGuarded(m_take, &QPushButton::clicked, this, [this] {
    if (!Window() || IsBusy())
      return;
    // A window busy with another take refuses this one.
    m_taking = Window()->QueueTakePicture(nullptr);
    UpdateEnabled();
  });
  buttons->addWidget(m_take);
  buttons->addStretch(1);
  m_detect = NamedControl(new QPushButton(QStringLiteral("&Detect Capabilities"), this), 2002);
  tarsel::ui::ConnectGuarded(m_detect, &QPushButton::clicked, this, [this] {
    if (Window())
      Window()->PostCommand(kDetectCameraSettingsCommand);
    PressCancel();
  });
  buttons->addWidget(m_detect);
  layout->addLayout(buttons);
  layout->addStretch(1);
}

void CZoomAdjustmentPage::OnCreate() {
  auto opening = std::make_shared<ZoomOpening>();
  const bool useMonitor = Window() && !Window()->HasPreviewWindow();
  Calls().Run([source = m_source, opening, useMonitor] { *opening = source->OpenZoom(useMonitor); },
              [this, opening] { Opened(*opening); });
  UpdateEnabled();
}

void CZoomAdjustmentPage::Opened(const ZoomOpening& opening) {
  m_monitorSwitchedOn = opening.monitorSwitchedOn;
  m_positionOnEntry = m_position = opening.position;
  m_zoom->ShowRange(opening.min, opening.max, opening.position, opening.factor, opening.minFactor,
                    opening.maxFactor);
  m_detect->setVisible(!opening.capabilitiesKnown);
  m_opened = true;
  UpdateEnabled();
}

void CZoomAdjustmentPage::UpdateEnabled() {
  const bool idle = !IsBusy();
  m_zoom->SetEnabled(idle);
  m_take->setEnabled(idle);
}

void CZoomAdjustmentPage::OnSlider(std::int32_t position) {
  auto reached = std::make_shared<std::pair<std::int32_t, double>>(position, 0.0);
  RunWithStatus(
      [source = m_source, position, reached] {
        return source->StatusAfter([&] { *reached = source->SetOpticalZoom(position); });
      },
      [this, reached] {
        m_position = reached->first;
        m_zoom->ShowReached(reached->first, reached->second);
      });
  SetModified();
}

bool CZoomAdjustmentPage::event(QEvent* event) {
  return HandleTakeDone(event, this, m_taking, [this] { UpdateEnabled(); }) ||
         CCameraSettingsPage::event(event);
}

void CZoomAdjustmentPage::OnSetActive() {
  if (Window())
    Window()->SetWaitingWindow(this);
}

void CZoomAdjustmentPage::OnKillActive() {
  if (Window())
    Window()->ClearWaitingWindow(this);
  m_taking = false;
  UpdateEnabled();
}

void CZoomAdjustmentPage::OnApply() {
  m_positionOnEntry = m_position;
}

void CZoomAdjustmentPage::OnCancel() {
  if (!m_opened || m_position == m_positionOnEntry)
    return;
  const std::int32_t position = m_positionOnEntry;
  RunWithStatus([source = m_source, position] {
    return source->StatusAfter([&] { source->SetOpticalZoom(position); });
  });
}

} // namespace tarsel::dialogs
