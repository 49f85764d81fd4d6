// The camera object's capability test: the "Detect Camera Capabilities"
// dialog, run modally over this camera's window.
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/cameras/vesk/VeskTestCameraCapabilities.h"

#include <QPointer>
#include <QWidget>

#include <memory>

HRESULT CVeskDllWr::ShowCapabilityTest(HWND parent, _ITarselCallback*) {
  return tarsel::vesk::GuardResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    // Not on the stack: a camera window that closes meanwhile takes its child along.
    const QPointer<CTestCameraCapabilitiesDlg> dialog =
        new CTestCameraCapabilitiesDlg(std::make_shared<CVeskTestCameraCapabilities>(window), window);
    dialog->exec();
    delete dialog.data();
  });
}
