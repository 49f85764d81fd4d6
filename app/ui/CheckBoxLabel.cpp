#include "app/ui/CheckBoxLabel.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QStyle>

namespace tarsel::ui {

CheckBoxLabel::CheckBoxLabel(const QString& text, QCheckBox* box)
    : QLabel(text, box->parentWidget()), m_box(box) {
  box->setText(QString());
  setWordWrap(true);
  setBuddy(box);
  setEnabled(box->isEnabled());
  box->installEventFilter(this);
}

QHBoxLayout* CheckBoxLabel::Row(QCheckBox* box, const QString& text) {
  auto* row = new QHBoxLayout;
  row->setSpacing(box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box));
  row->addWidget(box, 0, Qt::AlignTop);
  row->addWidget(new CheckBoxLabel(text, box), 1);
  return row;
}

void CheckBoxLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && m_box &&
      m_box->isEnabled()) {
    m_box->setFocus(Qt::MouseFocusReason);
    m_box->click();
  }
}

bool CheckBoxLabel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_box && event->type() == QEvent::EnabledChange)
    setEnabled(m_box->isEnabled());
  return QLabel::eventFilter(watched, event);
}

} // namespace tarsel::ui
