// The modal "Canon CD SDK Camera Selection" dialog: when discovery sees
// several eligible Canon cameras and none is to be used without asking, the
// user picks the one the family drives and may have it remembered for the
// next start. It is the SDK object's camera chooser (Choose).
//
// Controls are named "control<id>": 2104 the camera list, 2105 the box, 1
// OK, 2 Cancel. OK stores the selected entry's name and the box's state and
// gives its position; Cancel (or OK with nothing selected) stores nothing
// and gives -1. User-interface thread only.
#pragma once

#include "app/cameras/canon/CanonCameraChoice.h"

#include <QDialog>

#include <memory>

class CHtmlHelp;

class CCanonCD_CameraSelection : public QDialog {
public:
  CCanonCD_CameraSelection(CanonCDSDK_Wr* sdk, const CanonCameraList& cameras, QWidget* parent);
  ~CCanonCD_CameraSelection() override;

  // The position of the camera chosen with OK; -1 otherwise.
  int ChosenPosition() const { return m_chosen; }

  void accept() override;

  // The chooser: runs the dialog over the cameras and gives the chosen
  // position, or -1.
  static int Choose(CanonCDSDK_Wr* sdk, const CanonCameraList& cameras);

private:
  CanonCDSDK_Wr* m_sdk;
  std::unique_ptr<CCanonCameraChoice> m_choice;
  std::unique_ptr<CHtmlHelp> m_help;
  int m_chosen = -1;
};
