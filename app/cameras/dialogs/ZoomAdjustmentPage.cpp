#include "app/cameras/dialogs/ZoomAdjustmentPage.h"

#include "app/cameras/dialogs/SettingTexts.h"
#include "app/cameras/dialogs/TakeDone.h"
#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"
#include "app/ui/ButtonTP.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
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
  m_slider = NamedControl(new QSlider(Qt::Horizontal, this), 1097);
  m_slider->setTickPosition(QSlider::TicksBelow);
  m_slider->setTracking(false);
  tarsel::ui::ConnectGuarded(m_slider, &QSlider::valueChanged, this, [this] { OnSlider(); });
  m_factor = NamedControl(new QLineEdit(this), 1098);
  m_factor->setReadOnly(true);
  auto* row = new QHBoxLayout;
  row->addWidget(m_slider, 1);
  row->addWidget(m_factor);
  layout->addLayout(row);
  m_min = NamedControl(new QLabel(this), 1099);
  m_max = NamedControl(new QLabel(this), 2001);
  auto* labels = new QHBoxLayout;
  labels->addWidget(m_min);
  labels->addStretch(1);
  labels->addWidget(m_max);
  layout->addLayout(labels);
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
  m_rangeKnown = opening.min != -1 && opening.max != -1;
  m_detect->setVisible(!opening.capabilitiesKnown);
  if (m_rangeKnown) {
    const bool updating = std::exchange(m_updating, true);
    const int step = std::max(1, (opening.max - opening.min) / 10);
    m_slider->setRange(std::max(opening.min, 0), std::max(opening.max, 0));
    m_slider->setSingleStep(step);
    m_slider->setPageStep(step);
    m_slider->setTickInterval(step);
    m_slider->setValue(opening.position);
    m_updating = updating;
    m_factor->setText(ZoomFactorText(opening.factor));
    m_min->setText(ZoomFactorText(opening.minFactor));
    m_max->setText(ZoomFactorText(opening.maxFactor));
  }
  m_opened = true;
  UpdateEnabled();
}

void CZoomAdjustmentPage::UpdateEnabled() {
  const bool idle = !IsBusy();
  for (QWidget* control : std::initializer_list<QWidget*>{m_slider, m_factor, m_min, m_max})
    control->setEnabled(idle && m_rangeKnown);
  m_take->setEnabled(idle);
}

void CZoomAdjustmentPage::OnSlider() {
  if (m_updating)
    return;
  const std::int32_t position = m_slider->value();
  auto reached = std::make_shared<std::pair<std::int32_t, double>>(position, 0.0);
  RunWithStatus(
      [source = m_source, position, reached] {
        return source->StatusAfter([&] { *reached = source->SetOpticalZoom(position); });
      },
      [this, reached] {
        m_position = reached->first;
        const bool updating = std::exchange(m_updating, true);
        m_slider->setValue(reached->first);
        m_updating = updating;
        m_factor->setText(ZoomFactorText(reached->second));
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
