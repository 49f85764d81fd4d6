// Small helpers of the dialogs: a control named after its resource id
// ("control<id>", the name tests find it by), and a label that wraps its
// text. User-interface thread only.
#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace tarsel::ui {

QString ControlName(int id);

template <class Widget> Widget* NamedControl(Widget* widget, int id) {
  widget->setObjectName(ControlName(id));
  return widget;
}

QLabel* WrappedLabel(const QString& text, QWidget* parent);

} // namespace tarsel::ui
