// The camera's settings sheet ("Advanced Settings - <name>"): the shared
// focus, zoom and monitor-brightness pages over this camera
// (CLunetCameraSettings) and the family's general page, in the order focus,
// general, optical zoom, monitor brightness.
#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/cameras/dialogs/LcdBrightnessPage.h"
#include "app/cameras/dialogs/ZoomAdjustmentPage.h"
#include "app/cameras/lunet/LunetCall.h"
#include "app/cameras/lunet/LunetCameraSettings.h"
#include "app/cameras/lunet/LunetPageGeneral.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/core/IBaseSDK_Wr.h"
#include "app/core/ITarselCallback.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/ui/ResText.h"

#include <QWidget>

using namespace tarsel::dialogs;

HRESULT CLunetWr::ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) {
  return tarsel::lunet::LunetResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    auto source = std::make_shared<CLunetCameraSettings>(this);
    IBaseSDK_Wr* sdk = GetSdk();
    const QString title = tarsel::ui::ResText(tarsel::core::ids::IDS_ADVANCED_SETTINGS) +
                          QStringLiteral(" - ") + QString::fromUtf8(GetCameraName());
    CCameraSettingsSheet sheet(
        title,
        {new CFocusAdjustmentPage(source, window),
         new CLunetPageGeneral(window, sdk ? sdk->GetSettings() : nullptr, sdk ? sdk->GetSdkName() : ""),
         new CZoomAdjustmentPage(source, window), new CLcdBrightnessPage(source, window)},
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
