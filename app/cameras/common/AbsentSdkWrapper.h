// What a camera family's SDK object answers while the family cannot reach
// any camera yet: never enabled, no camera, no settings page, no models;
// its name, its diagnostic header line and the settings object its accessor
// keeps are the family's own.
//
// Threads: as IBaseSDK_Wr (user-interface thread).
#pragma once

#include "app/core/IBaseSDK_Wr.h"

class CAbsentSdk_Wr : public IBaseSDK_Wr {
public:
  using SettingsSource = ITarselSettings* (*)();

  CAbsentSdk_Wr(const char* sdkName, const char* diagnosticHeader, SettingsSource settings)
      : m_sdkName(sdkName), m_diagnosticHeader(diagnosticHeader), m_settings(settings) {}
  CAbsentSdk_Wr(const CAbsentSdk_Wr&) = delete;
  CAbsentSdk_Wr& operator=(const CAbsentSdk_Wr&) = delete;

  const char* GetSdkName() override { return m_sdkName; }
  int GetCameraCount() override { return 0; }
  const char* IsEnabled() override { return nullptr; }
  int EnumerateCameras(HWND owner, IConnectedCameras* list) override;
  HRESULT CreateSettingsPage(ISdkPropertyPage** page) override;
  ITarselSettings* GetSettings() override { return m_settings(); }
  const char* GetCameraModelList() override { return nullptr; }
  void SaveCameraSelection(const char* models) override;
  void GetDiagnosticText(std::string* out, bool withHeader) override;

private:
  const char* const m_sdkName;
  const char* const m_diagnosticHeader;
  const SettingsSource m_settings;
};
