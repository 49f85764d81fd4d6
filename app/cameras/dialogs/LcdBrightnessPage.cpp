#include "app/cameras/dialogs/LcdBrightnessPage.h"

#include "app/cameras/dialogs/SettingTexts.h"
#include "app/core/ITarselCallback.h"
#include "app/host/CameraWindow.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

namespace tarsel::dialogs {

CLcdBrightnessPage::CLcdBrightnessPage(std::shared_ptr<ICameraSettingsSource> source, QWidget* cameraWindow)
    : CCameraSettingsPage(QStringLiteral("LCD Brightness"), cameraWindow, nullptr),
      m_source(std::move(source)) {
  using tarsel::ui::NamedControl;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("Look at the camera LCD and adjust the brightness to the desired level."), this));
  m_slider = NamedControl(new QSlider(Qt::Horizontal, this), 1031);
  m_slider->setTickPosition(QSlider::TicksBelow);
  m_slider->setTracking(false);
  m_value = NamedControl(new QLineEdit(this), 1032);
  m_value->setReadOnly(true);
  tarsel::ui::ConnectGuarded(m_slider, &QSlider::sliderMoved, this,
                             [this](int value) { m_value->setText(SliderValueText(value)); });
  tarsel::ui::ConnectGuarded(m_slider, &QSlider::valueChanged, this, [this] { OnSlider(); });
  auto* row = new QHBoxLayout;
  row->addWidget(m_slider, 1);
  row->addWidget(m_value);
  layout->addLayout(row);
  m_min = NamedControl(new QLabel(this), 2086);
  m_max = NamedControl(new QLabel(this), 2085);
  auto* labels = new QHBoxLayout;
  labels->addWidget(m_min);
  labels->addStretch(1);
  labels->addWidget(m_max);
  layout->addLayout(labels);
  layout->addStretch(1);
}

void CLcdBrightnessPage::OnCreate() {
  auto opening = std::make_shared<LcdOpening>();
  Calls().Run([source = m_source, opening] { *opening = source->OpenLcd(true); },
              [this, opening] { Opened(*opening); });
  UpdateEnabled();
}

void CLcdBrightnessPage::Opened(const LcdOpening& opening) {
  m_monitorSwitchedOn = opening.monitorSwitchedOn;
  // The live preview waits while the monitor is the page's.
  if (m_monitorSwitchedOn && Window() && Window()->StatusCallback())
    Window()->StatusCallback()->SuspendPreview(true);
  m_brightnessOnEntry = opening.brightness;
  m_rangeKnown = opening.min != -1 && opening.max != -1;
  if (m_rangeKnown) {
    const bool updating = std::exchange(m_updating, true);
    m_slider->setRange(opening.min, opening.max);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(1);
    m_slider->setValue(opening.brightness);
    m_updating = updating;
    m_min->setText(QString::number(opening.min));
    m_max->setText(QString::number(opening.max));
  }
  m_value->setText(SliderValueText(opening.brightness));
  m_opened = true;
  // Left before the camera answered: the monitor goes back now.
  if (!m_active)
    GiveMonitorBack(-1);
  UpdateEnabled();
}

void CLcdBrightnessPage::UpdateEnabled() {
  // No range: nothing sensible to send.
  m_slider->setEnabled(!IsBusy() && m_rangeKnown);
}

void CLcdBrightnessPage::OnSlider() {
  if (m_updating)
    return;
  const std::int32_t value = m_slider->value();
  m_value->setText(SliderValueText(value));
  Calls().Run([source = m_source, value] { source->SetLcdBrightness(value); }, {});
  SetModified();
}

void CLcdBrightnessPage::OnApply() {
  if (m_opened && m_rangeKnown)
    m_brightnessOnEntry = m_slider->value();
}

void CLcdBrightnessPage::GiveMonitorBack(std::int32_t restoreBrightness) {
  const bool switchOff = std::exchange(m_monitorSwitchedOn, false);
  if (restoreBrightness < 0 && !switchOff)
    return;
  Calls().Run(
      [source = m_source, restoreBrightness, switchOff] {
        if (restoreBrightness >= 0 && source->GetLcdBrightness() != restoreBrightness)
          source->SetLcdBrightness(restoreBrightness);
        if (switchOff)
          source->MonitorOff();
      },
      {});
  // Released, not held a second time: the preview goes on.
  if (switchOff && Window() && Window()->StatusCallback())
    Window()->StatusCallback()->SuspendPreview(false);
}

void CLcdBrightnessPage::OnSetActive() {
  m_active = true;
}

void CLcdBrightnessPage::OnKillActive() {
  m_active = false;
  GiveMonitorBack(-1);
}

void CLcdBrightnessPage::OnCancel() {
  if (m_opened)
    GiveMonitorBack(m_rangeKnown ? m_brightnessOnEntry : -1);
}

} // namespace tarsel::dialogs
