// The fake camera family: an IBaseSDK_Wr that a test creates (it is not a
// singleton) and whose EnumerateCameras hands FakeCameras to the list. It
// counts the cameras it made and the cameras destroyed, remembering which
// by serial, so that ownership tests can check each camera is deleted exactly once;
// that record outlives the family, so cameras may die after it.
//
// Threads: any member may be called from any thread.
#pragma once

#include "app/core/IBaseSDK_Wr.h"
#include "app/testcamera/OperationScript.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarsel::testcamera {

class FakeCamera;

enum class FamilyOp {
  IsEnabled,
  EnumerateCameras,
  CreateSettingsPage,
  SaveCameraSelection,
  GetDiagnosticText,
};

// Cameras made and destroyed, shared by a family and its cameras. Cameras
// are known by their serial (1, 2, ... in the order made), which, unlike an
// address, no later camera gets again.
struct FamilyTracker {
  std::mutex lock;
  int created = 0;
  std::vector<int> destroyed;
};

class FakeCameraFamily : public IBaseSDK_Wr {
public:
  explicit FakeCameraFamily(std::string sdkName = "TEST_CAMERA");
  FakeCameraFamily(const FakeCameraFamily&) = delete;
  FakeCameraFamily& operator=(const FakeCameraFamily&) = delete;
  ~FakeCameraFamily() override;

  OperationScript<FamilyOp>& script() { return m_script; }

  // Test settings.
  void setEnabled(bool enabled);
  void setCameraCount(int count);
  void setModels(std::vector<std::string> models);
  void setSettings(ITarselSettings* settings);
  // Runs on every camera EnumerateCameras makes, before it is added.
  void setCameraSetup(std::function<void(FakeCamera&)> setup);

  // What the family saw.
  int camerasCreated() const;
  int camerasDestroyed() const;
  // How often the camera of this serial was destroyed (0 or 1 unless a bug).
  int timesDestroyed(int serial) const;
  std::vector<std::string> savedSelection() const;

  // A camera of this family, not handed to any list (the caller owns it).
  std::unique_ptr<FakeCamera> makeCamera(int index);

  const char* GetSdkName() override;
  int GetCameraCount() override;
  const char* IsEnabled() override;
  int EnumerateCameras(HWND owner, IConnectedCameras* list) override;
  HRESULT CreateSettingsPage(ISdkPropertyPage** page) override;
  ITarselSettings* GetSettings() override;
  const char* GetCameraModelList() override;
  void SaveCameraSelection(const char* models) override;
  void GetDiagnosticText(std::string* out, bool withHeader) override;

private:
  const std::string m_sdkName;
  const std::shared_ptr<FamilyTracker> m_tracker;
  OperationScript<FamilyOp> m_script;

  mutable std::mutex m_lock;
  bool m_enabled = true;
  int m_cameraCount = 1;
  std::vector<std::string> m_models;
  std::string m_modelList; // the double-NUL form of m_models
  ITarselSettings* m_settings = nullptr;
  std::function<void(FakeCamera&)> m_cameraSetup;
  std::vector<std::string> m_savedSelection;
};

} // namespace tarsel::testcamera
