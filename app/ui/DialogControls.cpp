#include "app/ui/DialogControls.h"

#include <QLabel>

namespace tarsel::ui {

QString ControlName(int id) {
  return QStringLiteral("control%1").arg(id);
}

QLabel* WrappedLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

} // namespace tarsel::ui
