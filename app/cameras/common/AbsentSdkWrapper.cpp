#include "app/cameras/common/AbsentSdkWrapper.h"

#include "platform/Win32Error.h"

int CAbsentSdk_Wr::EnumerateCameras(HWND, IConnectedCameras*) {
  return 0;
}

HRESULT CAbsentSdk_Wr::CreateSettingsPage(ISdkPropertyPage** page) {
  if (page)
    *page = nullptr;
  return E_NOTIMPL;
}

void CAbsentSdk_Wr::SaveCameraSelection(const char*) {}

void CAbsentSdk_Wr::GetDiagnosticText(std::string* out, bool withHeader) {
  if (!out)
    return;
  *out = withHeader ? m_diagnosticHeader : "";
}
