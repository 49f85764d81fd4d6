// A number field with spin buttons, as a dialog's edit-and-spin pair: the
// field shows and takes any number (a stored value outside the buttons'
// range is shown as it is and kept while the user leaves it alone); the
// buttons step only within [low, high]. Whether the value may be stored is
// the page's question at apply time (Acceptable). User-interface thread only.
#pragma once

#include <QSpinBox>

namespace tarsel::frame {

class SpinEdit : public QSpinBox {
  Q_OBJECT

public:
  SpinEdit(int low, int high, QWidget* parent = nullptr);

  // Shows a stored value; that value stays acceptable even outside the range.
  void SetStored(int value);
  // The value is the stored one or lies within [low, high].
  bool Acceptable() const;
  // Acceptable; if not, tells the user the range and gives the field the focus.
  bool CheckRange();

  void stepBy(int steps) override;

protected:
  StepEnabled stepEnabled() const override;

private:
  int m_low;
  int m_high;
  int m_stored = 0;
};

} // namespace tarsel::frame
