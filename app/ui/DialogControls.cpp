#include "app/ui/DialogControls.h"

#include <QDialog>
#include <QFormLayout>
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

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, buddy->parentWidget());
  label->setBuddy(buddy);
  return label;
}

QFormLayout* NaturalWidthForm() {
  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  return form;
}

void UseDialogFrame(QDialog* dialog) {
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  if (QLayout* layout = dialog->layout())
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace tarsel::ui
