#include "app/cameras/dialogs/ZoomSlider.h"

#include "app/cameras/dialogs/SettingTexts.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace tarsel::dialogs {

CZoomSlider::CZoomSlider(QWidget* parent, QBoxLayout* layout,
                         std::function<void(std::int32_t position)> moved)
    : m_moved(std::move(moved)) {
  using tarsel::ui::NamedControl;
  m_slider = NamedControl(new QSlider(Qt::Horizontal, parent), 1097);
  m_slider->setTickPosition(QSlider::TicksBelow);
  // A drag moves the lens once, when it ends.
  m_slider->setTracking(false);
  tarsel::ui::ConnectGuarded(m_slider, &QSlider::valueChanged, parent, [this] {
    if (!m_updating)
      m_moved(m_slider->value());
  });
  m_factor = NamedControl(new QLineEdit(parent), 1098);
  m_factor->setReadOnly(true);
  auto* row = new QHBoxLayout;
  row->addWidget(m_slider, 1);
  row->addWidget(m_factor);
  layout->addLayout(row);
  m_min = NamedControl(new QLabel(parent), 1099);
  m_max = NamedControl(new QLabel(parent), 2001);
  auto* labels = new QHBoxLayout;
  labels->addWidget(m_min);
  labels->addStretch(1);
  labels->addWidget(m_max);
  layout->addLayout(labels);
}

bool CZoomSlider::ShowRange(std::int32_t min, std::int32_t max, std::int32_t position, double factor,
                            double minFactor, double maxFactor) {
  m_rangeKnown = min != -1 && max != -1;
  if (!m_rangeKnown)
    return false;
  const bool updating = std::exchange(m_updating, true);
  const int step = std::max(1, (max - min) / 10);
  m_slider->setRange(std::max(min, 0), std::max(max, 0));
  m_slider->setSingleStep(step);
  m_slider->setPageStep(step);
  m_slider->setTickInterval(step);
  m_slider->setValue(position);
  m_updating = updating;
  m_factor->setText(ZoomFactorText(factor));
  m_min->setText(ZoomFactorText(minFactor));
  m_max->setText(ZoomFactorText(maxFactor));
  return true;
}

void CZoomSlider::ShowReached(std::int32_t position, double factor) {
  const bool updating = std::exchange(m_updating, true);
  m_slider->setValue(position);
  m_updating = updating;
  m_factor->setText(ZoomFactorText(factor));
}

void CZoomSlider::SetEnabled(bool idle) {
  for (QWidget* control : std::initializer_list<QWidget*>{m_slider, m_factor, m_min, m_max})
    control->setEnabled(idle && m_rangeKnown);
}

} // namespace tarsel::dialogs
