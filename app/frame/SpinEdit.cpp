#include "app/frame/SpinEdit.h"

#include "app/ui/MessageQuestion.h"

#include <algorithm>
#include <limits>

namespace tarsel::frame {

SpinEdit::SpinEdit(int low, int high, QWidget* parent) : QSpinBox(parent), m_low(low), m_high(high) {
  // The field itself does not clamp: the range check happens on apply.
  setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  m_stored = m_low;
  setValue(m_low);
}

void SpinEdit::SetStored(int value) {
  m_stored = value;
  setValue(value);
}

bool SpinEdit::Acceptable() const {
  const int current = value();
  return current == m_stored || (current >= m_low && current <= m_high);
}

bool SpinEdit::CheckRange() {
  if (Acceptable())
    return true;
  setFocus();
  selectAll();
  tarsel::ui::AskUser(this, tr("Please enter a number from %1 to %2.").arg(m_low).arg(m_high),
                      tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Warning);
  return false;
}

void SpinEdit::stepBy(int steps) {
  const long long target = static_cast<long long>(value()) + steps;
  setValue(static_cast<int>(std::clamp<long long>(target, m_low, m_high)));
  selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  StepEnabled enabled = StepNone;
  if (value() < m_high)
    enabled |= StepUpEnabled;
  if (value() > m_low)
    enabled |= StepDownEnabled;
  return enabled;
}

} // namespace tarsel::frame
