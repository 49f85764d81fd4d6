// One camera family: a lazily created singleton per family, reached through
// the family's accessor and deleted at program exit, after all its cameras.
// Called on the user-interface thread (discovery, Options dialog,
// diagnostics report).
//
// Settled forms where the families differ:
// - SaveCameraSelection takes the chosen models as a list of zero-ended
//   names closed by an empty name; a family without a selection ignores it,
//   and one with a single on/off flag reads null or "" as off.
// - GetDiagnosticText replaces the text in *out (empty when withHeader is
//   false and the family writes only a header line).
#pragma once

#include "TarselCore_export.h"
#include "hostapi/Win32Types.h"

#include <string>

class IConnectedCameras;
class ISdkPropertyPage;
class ITarselSettings;

class TARSELCORE_EXPORT IBaseSDK_Wr {
public:
  virtual ~IBaseSDK_Wr() = default;

  // The family name; also the last component of the family's settings key.
  virtual const char* GetSdkName() = 0;
  virtual int GetCameraCount() = 0;
  // Non-null when the family is to be used; discovery enumerates only then.
  virtual const char* IsEnabled() = 0;
  // Creates one camera object per camera and Adds each to the list; returns
  // how many were handed over.
  virtual int EnumerateCameras(HWND owner, IConnectedCameras* list) = 0;
  // *page becomes a new page holding one reference for the caller, or null;
  // returns 0 or an error code.
  virtual HRESULT CreateSettingsPage(ISdkPropertyPage** page) = 0;
  // The settings object the singleton was created with; no reference added.
  virtual ITarselSettings* GetSettings() = 0;
  // Zero-ended model names closed by an empty name; null when there are none.
  virtual const char* GetCameraModelList() = 0;
  virtual void SaveCameraSelection(const char* models) = 0;
  virtual void GetDiagnosticText(std::string* out, bool withHeader) = 0;
};
