// The "FTP Options" page of the program's Options sheet: the parameters
// editor, stored on Apply (see SaverPropPage for how the sheet drives it).
// An apply is always accepted: a failure to store is shown and the sheet
// closes. User-interface thread only.
#pragma once

#include "savers/common/SaverPropPage.h"

class CFtpParamsDlgBase;
class ITarselSettings;

class CPropPage : public tarsel::savers::SaverPropPage {
  Q_OBJECT

public:
  CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet);

private:
  bool ApplyValues() override;

  CFtpParamsDlgBase* m_params;
};
