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

#include <QWidget>

using namespace tarsel::dialogs;

HRESULT CVeskDllWr::ShowCameraSettings(HWND parent, _ITarselCallback* callback, std::int32_t firstPage) {
  return tarsel::vesk::GuardResult([&] {
    auto* window = static_cast<QWidget*>(parent);
    auto source = std::make_shared<CVeskCameraSettings>(this);
    CCameraSettingsSheet::RunForCamera(
        GetCameraName(),
        {new CVeskPageGeneral(source, window, GetVeskSdkWrapper(nullptr)->GetSettings()),
         new CFocusAdjustmentPage(source, window), new CZoomAdjustmentPage(source, window),
         new CLcdBrightnessPage(source, window)},
        window, firstPage, source, callback);
  });
}
