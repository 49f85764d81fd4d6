// The General page of the Options sheet: device notifications, leaving
// pictures in the camera, the LCD-or-preview choice (three states: not
// decided, on, off) and the camera windows' background colour, which is
// written only when the user chose another one. User-interface thread only.
#pragma once

#include "app/frame/OptionsPage.h"
#include "hostapi/Win32Types.h"

class QCheckBox;

class CPageOptionsGeneral : public tarsel::frame::OptionsPage {
  Q_OBJECT

public:
  CPageOptionsGeneral(ITarselSettings* settings, IPropSheetCallback* sheet);

  DWORD ChosenColor() const { return m_chosenColor; }

private:
  void Store(ITarselConfigSettings& user) override;
  void ChooseColor();

  QCheckBox* m_deviceNotifications; // 1063
  QCheckBox* m_leaveInCamera;       // 1069
  QCheckBox* m_lcdOrPreview;        // 2027
  DWORD m_readColor = 0xFFFFFF;
  DWORD m_chosenColor = 0xFFFFFF;
};
