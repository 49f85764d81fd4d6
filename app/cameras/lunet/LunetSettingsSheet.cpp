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

#include <QWidget>

using namespace tarsel::dialogs;

HRESULT CLunetWr::ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) {
  return tarsel::lunet::LunetResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    auto source = std::make_shared<CLunetCameraSettings>(this);
    IBaseSDK_Wr* sdk = GetSdk();
    CCameraSettingsSheet::RunForCamera(
        GetCameraName(),
        {new CFocusAdjustmentPage(source, window),
         new CLunetPageGeneral(window, sdk ? sdk->GetSettings() : nullptr, sdk ? sdk->GetSdkName() : ""),
         new CZoomAdjustmentPage(source, window), new CLcdBrightnessPage(source, window)},
        window, firstPage, source, callback);
  });
}
