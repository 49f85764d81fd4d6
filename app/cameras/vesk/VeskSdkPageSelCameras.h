// The camera-link family's page of the Options ("Brantel "Vesk" SDK"): the
// camera models the user will work with, ticked in a list (the active ones
// ticked when it opens), and "Advanced", which offers the attached devices
// no model names. Applying stores the ticked models as the active ones and,
// when a model was newly ticked, refreshes the cameras' access once:
// without the access configuration a user without administrator rights is
// told so; with it the configuration program runs with administrator
// rights.
//
// The sheet talks to the page as to the other pages: the signal changed()
// (the page has changes), the invokable Apply() -> bool (false: the apply
// failed and was reported). Controls are named "control<id>": 1000 the
// list, 1003 Advanced. Reference counted: CreateSettingsPage hands it out
// with one reference and the last Release deletes the widget.
// User-interface thread only.
#pragma once

#include "app/cameras/vesk/VeskDriverSetup.h"
#include "app/core/ISdkPropertyPage.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class CHtmlHelp;
class CVeskSDK_Wr;
class QListWidget;
class QListWidgetItem;

class CVeskSdkPageSelCameras : public QWidget, public ISdkPropertyPage {
  Q_OBJECT

public:
  CVeskSdkPageSelCameras(CVeskSDK_Wr* sdk, tarsel::vesk::DriverSetupContext context,
                         QWidget* parent = nullptr);
  ~CVeskSdkPageSelCameras() override;

  QWidget* GetPropertyPage() override { return this; }

  // Stores the selection and refreshes the access when a model is new;
  // throws what the refresh throws (the selection is stored by then).
  void OnApply();
  Q_INVOKABLE bool Apply();
  Q_INVOKABLE void Help();
  // Offers each attached device that the list does not hold.
  void OnAdvanced();

signals:
  void changed();

private:
  void OnInitDialog();
  QListWidgetItem* FindExact(const QString& text) const;
  void RefreshDriver();

  CVeskSDK_Wr* m_sdk;
  tarsel::vesk::DriverSetupContext m_context;
  QListWidget* m_list = nullptr;
  QStringList m_tickedAtStart;
  std::unique_ptr<CHtmlHelp> m_help;
};
