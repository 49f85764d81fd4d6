// The camera's settings sheet: the shared sheet with the general page of
// this family and the shared focus, zoom and monitor-brightness pages over
// this camera (CVeskCameraSettings).
#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/cameras/dialogs/LcdBrightnessPage.h"
#include "app/cameras/dialogs/ZoomAdjustmentPage.h"
#include "app/cameras/vesk/VeskCameraSettings.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskPageGeneral.h"
#include "app/cameras/vesk/VeskResultGuard.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/core/ITarselCallback.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/ui/ResText.h"

#include <QWidget>

using namespace tarsel::dialogs;

HRESULT CVeskDllWr::ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) {
  return tarsel::vesk::GuardResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    auto source = std::make_shared<CVeskCameraSettings>(this);
    const QString title = tarsel::ui::ResText(tarsel::core::ids::IDS_ADVANCED_SETTINGS) +
                          QStringLiteral(" - ") + QString::fromUtf8(GetCameraName());
    CCameraSettingsSheet sheet(
        title,
        {new CVeskPageGeneral(source, window, GetVeskSdkWrapper(nullptr)->GetSettings()),
         new CFocusAdjustmentPage(source, window), new CZoomAdjustmentPage(source, window),
         new CLcdBrightnessPage(source, window)},
        window);
    sheet.Run(firstPage);
    bool monitorSwitchedOn = false;
    for (const CCameraSettingsPage* page : sheet.Pages())
      monitorSwitchedOn = monitorSwitchedOn || page->MonitorSwitchedOn();
    ICameraWindow* cameraWindow = ICameraWindow::FromObject(window);
    if (!monitorSwitchedOn || !cameraWindow)
      return;
    // A page switched the monitor on for its work: it goes off again.
    auto status = std::make_shared<std::string>();
    cameraWindow->QueueCameraCall(
        [source, status] { *status = source->StatusAfter([&] { source->MonitorOff(); }); }, window,
        [callback, status](HRESULT code) {
          if (callback && code == 0)
            callback->SetStatusText(status->c_str());
        });
  });
}
