#include "drvconfig/QuietRefresh.h"

#include "app/ui/MessageQuestion.h"
#include "drvconfig/ConfigTexts.h"
#include "drvconfig/VeskInstCalls.h"

namespace tarsel::drvconfig {

void RunQuietRefresh(CVeskInstCalls& calls) {
  bool reconnectNeeded = false;
  const int result = calls.RefreshCameras(reconnectNeeded);
  if (result == CVeskInstCalls::kModelsLeftOut) {
    ui::AskUser(nullptr, ModelsLeftOutText(calls.RefusedModels()), ui::Buttons::Ok, ui::Icon::Warning);
    return;
  }
  if (result < 0)
    return;
  ui::AskUser(nullptr, ConfigText(IDS_CAMERAS_REFRESHED), ui::Buttons::Ok, ui::Icon::Information);
  if (reconnectNeeded)
    ui::AskUser(nullptr, ConfigText(IDS_RECONNECT_CAMERAS), ui::Buttons::Ok, ui::Icon::Information);
}

} // namespace tarsel::drvconfig
