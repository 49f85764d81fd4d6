// The Bracketing page of the Options sheet: the pictures per press of Take
// Picture (more than 1 makes a bracketing series) and what the series
// changes in manual mode (1 exposure time, 2 aperture). The choice is
// enabled only while the number is above 1; a number outside 1..32767 that
// the user typed is refused on apply. User-interface thread only.
#pragma once

#include "app/frame/OptionsPage.h"

class QButtonGroup;
class QGroupBox;

namespace tarsel::frame {
class SpinEdit;
}

class CPageOptionsBracketing : public tarsel::frame::OptionsPage {
  Q_OBJECT

public:
  CPageOptionsBracketing(ITarselSettings* settings, IPropSheetCallback* sheet);

private:
  void EnableChoice();
  bool Validate() override;
  void Store(ITarselConfigSettings& user) override;

  tarsel::frame::SpinEdit* m_count; // 1052 with spin 1055
  QGroupBox* m_manualMode;          // 2062
  QButtonGroup* m_param;            // 2059, 2060 (ids: the stored values 1, 2)
};
