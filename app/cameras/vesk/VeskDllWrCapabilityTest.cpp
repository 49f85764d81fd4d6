// The camera object's capability test: the "Detect Camera Capabilities"
// dialog, run modally over this camera's window.
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/cameras/vesk/VeskTestCameraCapabilities.h"

#include "app/cameras/dialogs/RunModalDialog.h"
#include <QWidget>

#include <memory>

HRESULT CVeskDllWr::ShowCapabilityTest(HWND parent, _ITarselCallback*) {
  return tarsel::vesk::GuardResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    tarsel::dialogs::RunModalDialog(
        new CTestCameraCapabilitiesDlg(std::make_shared<CVeskTestCameraCapabilities>(window), window));
  });
}
