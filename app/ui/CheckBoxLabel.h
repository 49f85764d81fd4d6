// The text of a check box as a label beside it that wraps, for a text too
// long for one line of a dialog: a click on the text or its mnemonic
// toggles the box, as the box's own text would; the text greys out with
// the box. The box keeps its name and state: callers and tests use it as
// before. User-interface thread only.
#pragma once

#include <QLabel>
#include <QPointer>

class QCheckBox;
class QHBoxLayout;

namespace tarsel::ui {

class CheckBoxLabel : public QLabel {
  Q_OBJECT

public:
  // The label of `box`, made in the box's parent; the box's own text is emptied.
  CheckBoxLabel(const QString& text, QCheckBox* box);

  // A row of the box and its wrapping label.
  static QHBoxLayout* Row(QCheckBox* box, const QString& text);

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPointer<QCheckBox> m_box;
};

} // namespace tarsel::ui
