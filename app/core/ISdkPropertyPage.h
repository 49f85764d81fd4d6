// A camera family's page for the Options dialog and the camera-type dialog.
// Reference counted: CreateSettingsPage hands it out with one reference.
#pragma once

#include "TarselCore_export.h"
#include "hostapi/RefCounted.h"

class QWidget;

class TARSELCORE_EXPORT ISdkPropertyPage : public CRefCounted {
public:
  // The page widget that carries this interface, to be added to a sheet.
  virtual QWidget* GetPropertyPage() = 0;
};
