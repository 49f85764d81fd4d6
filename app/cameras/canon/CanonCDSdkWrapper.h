// The Canon family's SDK object: one for the whole program, made on first
// use by GetCanonCDSdkWrapper (which loads and starts the Canon SDK first)
// and deleted by ReleaseCanonCDSdkWrapper at exit (which finishes and
// unloads the SDK after it). While it lives, the texts of the family's error
// facility 0x107 are registered. When the SDK cannot be loaded or started
// the accessor throws and no object exists; the next call tries again.
//
// Discovery opens at most one Canon camera: a single source without any
// test; among several, the eligible one whose display name the user chose
// to use every time ("UseCameraOfUserChoice", "CameraOfUserChoiceName" in
// the family settings "CANON_CD"; the last match wins), else the one the
// camera chooser picks from the list of eligible cameras (unless another
// is installed: the camera selection dialog, CCanonCD_CameraSelection).
//
// Threads: the accessor and the release function may be called from any
// thread and run under the family's lock; every other member runs on the
// user-interface thread. Failure: the accessor throws 126/127 with the
// loader's text, the Canon error of a failed start, or 8; EnumerateCameras
// and CreateSettingsPage never throw; the release function never throws.
#pragma once

#include "app/cameras/canon/CanonSourceInfo.h"
#include "app/cameras/common/FacilityRegistration.h"
#include "app/core/IBaseSDK_Wr.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class ICameraHiLevel;

// The eligible cameras of a name list, in source order.
struct CanonCameraList {
  std::vector<CanonSourceInfo> cameras;
  // The double-NUL form of the display names (empty when there is none).
  std::string NameList() const;
};

class CanonCDSDK_Wr : public IBaseSDK_Wr {
public:
  static constexpr const char* kUseChoiceValue = "UseCameraOfUserChoice";
  static constexpr const char* kChoiceNameValue = "CameraOfUserChoiceName";

  // Picks one of the eligible cameras: its position in the list, or -1
  // when none is chosen (the user cancelled).
  using CameraChooser = std::function<int(CanonCDSDK_Wr* sdk, const CanonCameraList& cameras)>;
  // Installs the chooser; an empty function restores the selection dialog.
  static void SetCameraChooser(CameraChooser chooser);

  CanonCDSDK_Wr();
  ~CanonCDSDK_Wr() override;
  CanonCDSDK_Wr(const CanonCDSDK_Wr&) = delete;
  CanonCDSDK_Wr& operator=(const CanonCDSDK_Wr&) = delete;

  const char* GetSdkName() override { return "CANON_CD"; }
  int GetCameraCount() override;
  // "USE" when the SDK sees a camera, else null.
  const char* IsEnabled() override;
  int EnumerateCameras(HWND owner, IConnectedCameras* list) override;
  HRESULT CreateSettingsPage(ISdkPropertyPage** page) override;
  ITarselSettings* GetSettings() override;
  const char* GetCameraModelList() override { return nullptr; }
  void SaveCameraSelection(const char*) override {}
  void GetDiagnosticText(std::string* out, bool withHeader) override;

  // Keeps the name as the user's choice and stores it with the flag (an
  // empty name when the flag is false).
  void SaveCameraOfUserChoice(const char* name, bool use);
  // The eligible cameras, a list the caller owns; *chosenIndex (when given)
  // becomes the source index of the last camera whose display name equals
  // the user's choice (left alone without a match), *use (when given and a
  // settings object is kept) the stored flag.
  CanonCameraList GetCameraNameList(int* chosenIndex, bool* use);
  const std::string& GetUserChoiceName() const { return m_userChoice; }

protected:
  // What discovery reads of one source; nothing when it cannot be read.
  virtual std::optional<CanonSourceInfo> ReadSource(std::uint32_t index);
  // A new camera object for the source.
  virtual ICameraHiLevel* MakeCamera(const CanonSourceInfo& source);

private:
  // The source to open among several; -1 when none is chosen.
  int ChooseAmongSeveral(int count);
  void ReadStoredChoice();

  tarsel::cameras::CFacilityRegistration m_facility;
  std::string m_userChoice;
};

// Keeps `settings` (one reference; the one kept before is released) when it
// is not null, makes the singleton on first call and returns it.
CanonCDSDK_Wr* GetCanonCDSdkWrapper(ITarselSettings* settings);
// Deletes the singleton, finishes the SDK and releases the kept settings
// object.
void ReleaseCanonCDSdkWrapper();
