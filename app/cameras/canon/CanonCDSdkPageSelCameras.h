// The Canon family's page of the Options dialog and of the no-camera
// dialog ("Canon CD SDK"): which of several Canon cameras the family drives
// and whether it is taken without asking at the next start. The stored
// choice is read when the page opens; Apply stores the selected camera and
// the box, and only when the user changed one of them, so an untouched page
// never overwrites a choice whose camera is not connected now. With no
// eligible camera the list is empty and the box disabled.
//
// The sheet talks to it as to the other pages: the signal changed(), the
// invokable Apply() -> bool. Controls are named "control<id>": 2104 the
// list, 2105 the box. Reference counted: CreateSettingsPage hands it out
// with one reference and the last Release deletes the widget.
// User-interface thread only.
#pragma once

#include "app/cameras/canon/CanonCameraChoice.h"
#include "app/core/ISdkPropertyPage.h"

#include <QWidget>

#include <memory>

class CCanonCD_SdkPageSelCameras : public QWidget, public ISdkPropertyPage {
  Q_OBJECT

public:
  explicit CCanonCD_SdkPageSelCameras(CanonCDSDK_Wr* sdk, QWidget* parent = nullptr);
  ~CCanonCD_SdkPageSelCameras() override;

  QWidget* GetPropertyPage() override { return this; }

  // Stores the choice when it was changed; true unless that failed (reported).
  Q_INVOKABLE bool Apply();

signals:
  void changed();

private:
  void OnChanged();

  CanonCDSDK_Wr* m_sdk;
  std::unique_ptr<CCanonCameraChoice> m_choice;
  bool m_modified = false;
};
