// The camera-link family's SDK object: one for the whole program, made on
// first use by GetVeskSdkWrapper (which binds the camera-link library
// first) and deleted by ReleaseVeskSdkWrapper at exit (which unbinds the
// library after it). While it lives, the texts of the family's error
// facility 0x104 are registered.
//
// It answers discovery (is the family enabled, how many cameras, one camera
// object per camera) and keeps the family's lists: the chosen models
// ([ACTIVE CAMERAS] of the family file "BRANTEL_SDK3.4" in the data folder),
// the model table (models the user added, then the built-in ones), the
// attached devices that no model names, and the device types the
// camera-link library is to accept ("Type_S", merged on each selection).
// The lists it returns (texts each ended by a NUL, then a final NUL) stay
// valid until the next call of the same operation.
//
// Threads: GetVeskSdkWrapper may be called from any thread; creation, the
// hand-over of the settings object and destruction run under the family's
// lock. GetDiagnosticText may be called from any thread; every other member
// runs on the user-interface thread. Failure: the accessor throws what
// binding the library throws, and _brantel_take_error(8) when the object
// cannot be made; operations that need the data folder throw
// _brantel_take_error when it cannot be found; the release function never
// throws.
#pragma once

#include "app/cameras/common/FacilityRegistration.h"
#include "app/cameras/vesk/NamePair.h"
#include "app/core/IBaseSDK_Wr.h"

#include <string>
#include <vector>

class ICameraHiLevel;

class CVeskSDK_Wr : public IBaseSDK_Wr {
public:
  CVeskSDK_Wr();
  CVeskSDK_Wr(const CVeskSDK_Wr&) = delete;
  CVeskSDK_Wr& operator=(const CVeskSDK_Wr&) = delete;
  ~CVeskSDK_Wr() override;

  const char* GetSdkName() override;
  int GetCameraCount() override;
  // The chosen models; null when none is chosen.
  const char* IsEnabled() override;
  // Any error while counting gives 0; an error while making or adding a
  // camera ends the loop with the number handed over so far.
  int EnumerateCameras(HWND owner, IConnectedCameras* list) override;
  HRESULT CreateSettingsPage(ISdkPropertyPage** page) override;
  ITarselSettings* GetSettings() override;
  // The model table's names, rebuilt on each call; null when there are none.
  const char* GetCameraModelList() override;
  // Replaces [ACTIVE CAMERAS] with the models and merges their
  // identifications into "Type_S".
  void SaveCameraSelection(const char* models) override;
  void GetDiagnosticText(std::string* out, bool withHeader) override;

  // The attached devices that neither a model names nor the user ignores,
  // ascending; null when there are none.
  const char* GetInstalledCameras();
  // Records a device the user added as a model (`used`: identification =
  // model name) or chose to ignore.
  void SaveUsedCameras(const char* identification, const char* text, bool used);
  // Forgets the model table and the table of unlisted devices.
  void FreeCameraNames();

protected:
  // The library's camera count and a new camera object for one index.
  virtual int CountCameras();
  virtual ICameraHiLevel* MakeCamera(int index);

private:
  std::string DataFolder();

  tarsel::cameras::CFacilityRegistration m_facility;
  const std::vector<CNamePair>& RebuildModelTable();

  std::string m_activeCameras;
  std::string m_modelNames;
  std::string m_installedCameras;
  std::vector<CNamePair> m_modelTable;
  bool m_modelTableBuilt = false;
  std::vector<std::string> m_unlistedDevices;
};

// Keeps `settings` (one reference; the one kept before is released) when it
// is not null, makes the singleton on first call and returns it.
CVeskSDK_Wr* GetVeskSdkWrapper(ITarselSettings* settings);
// Deletes the singleton, unbinds the library and releases the kept settings
// object.
void ReleaseVeskSdkWrapper();
