// The ActiveX family's SDK object: one for the whole program, made on first
// use by GetLunetSdkWrapper and deleted by ReleaseLunetSdkWrapper at exit.
// While it lives, the texts of the control's error facility 0x103 are
// registered.
//
// The family is in use while its use flag is on: key "USED" of section
// "BRANTEL_SDK2.0" in the profile file "BRANTEL_SDK2.0" of the data folder
// (a missing file or key is off). It then has one camera, whatever answers
// the control on the USB port (the camera library keeps one session for
// the whole process), except that once a window holds it, a discovery lists
// it only while the control finds it there. The settings page exists only while the control's
// class is registered.
//
// Threads: the accessor and the release function from any thread, under the
// family's lock; GetDiagnosticText from any thread; everything else on the
// user-interface thread. Failure: the accessor throws
// _brantel_take_error(8) when the object cannot be made; the release
// function never throws.
#pragma once

#include "app/cameras/common/FacilityRegistration.h"
#include "app/core/IBaseSDK_Wr.h"

#include <string>

class ICameraHiLevel;

class CLunetSDK_Wr : public IBaseSDK_Wr {
public:
  CLunetSDK_Wr();
  CLunetSDK_Wr(const CLunetSDK_Wr&) = delete;
  CLunetSDK_Wr& operator=(const CLunetSDK_Wr&) = delete;
  ~CLunetSDK_Wr() override;

  const char* GetSdkName() override;
  // 1 while the use flag read by the last IsEnabled was on.
  int GetCameraCount() override;
  // Reads the use flag afresh: "USED" while it is on, else null.
  const char* IsEnabled() override;
  // One new camera object while the family is in use; none while a window
  // holds the family's camera and the control finds no camera on the port.
  // The window is not used.
  int EnumerateCameras(HWND owner, IConnectedCameras* list) override;
  HRESULT CreateSettingsPage(ISdkPropertyPage** page) override;
  ITarselSettings* GetSettings() override;
  // The model table's names, then the display name of the extra camera
  // ("ExtraCams.cams") when it is not one of them; null when there are none.
  const char* GetCameraModelList() override;
  // Null or "" switches the family off, anything else on.
  void SaveCameraSelection(const char* models) override;
  // "SDK: 2.0\r\n" with the header, else nothing.
  void GetDiagnosticText(std::string* out, bool withHeader) override;

protected:
  virtual ICameraHiLevel* MakeCamera();

private:
  std::string UseFlagFile();

  tarsel::cameras::CFacilityRegistration m_facility;
  std::string m_usedText;
  std::string m_modelList;
};

// Keeps `settings` (one reference; the one kept before is released) when it
// is not null, makes the singleton on first call and returns it.
IBaseSDK_Wr* GetLunetSdkWrapper(ITarselSettings* settings);
// Deletes the singleton and releases the kept settings object.
void ReleaseLunetSdkWrapper();
