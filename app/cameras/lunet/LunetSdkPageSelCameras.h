// The ActiveX family's page of the Options ("Brantel "Lunet" SDK"): the
// models the family knows, and one box that switches the whole family on
// or off. Applying stores the family's use flag.
//
// The sheet talks to the page as to the other pages: the signal changed(),
// the invokable Apply() -> bool (false: the apply failed and was reported).
// Controls are named "control<id>": 1001 the box, 2096 the model list.
// Reference counted: CreateSettingsPage hands it out with one reference and
// the last Release deletes the widget. User-interface thread only.
#pragma once

#include "app/core/ISdkPropertyPage.h"

#include <QWidget>

#include <memory>

class CHtmlHelp;
class IBaseSDK_Wr;
class QCheckBox;

class CLunetSdkPageSelCameras : public QWidget, public ISdkPropertyPage {
  Q_OBJECT

public:
  explicit CLunetSdkPageSelCameras(IBaseSDK_Wr* sdk, QWidget* parent = nullptr);
  ~CLunetSdkPageSelCameras() override;

  QWidget* GetPropertyPage() override { return this; }

  void OnApply();
  Q_INVOKABLE bool Apply();
  Q_INVOKABLE void Help();

signals:
  void changed();

private:
  IBaseSDK_Wr* m_sdk;
  QCheckBox* m_useCameras = nullptr;
  std::unique_ptr<CHtmlHelp> m_help;
};
