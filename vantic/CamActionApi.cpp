// Exported actions: the camera is busy afterwards for at most the action's time.
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/ExportCall.h"
#include "vantic/Tick.h"

#include <algorithm>
#include <climits>

using namespace tarsel::vantic;
using namespace tarsel::vantic::api;

namespace {

constexpr int kBusyMs = 30000;
constexpr int kLongBusyMs = 40000;

int run(int action, int argument, int busyMs) {
  return camera().operations().runAction(action, argument, busyMs);
}

// Selects, then runs the action; a selection that fails gives its code.
int runSelected(int selectReg, int selection, int action, int argument, int busyMs) {
  if (const int selected = select(selectReg, selection); selected != CAM_OK)
    return selected;
  return run(action, argument, busyMs);
}

} // namespace

extern "C" {

int Cam_erase_last(void) {
  return exportCall([&] { return run(0, 0, kBusyMs); });
}

int Cam_erase_all(void) {
  return exportCall([&] {
    // The count's failed read gives its code, as every code result does.
    std::uint32_t count = 0;
    if (const int rc = camera().operations().readChecked(10, false, count); rc != CAM_OK)
      return rc;
    const long long busy = static_cast<long long>(count) * 800 + 10000;
    return run(1, 0, static_cast<int>(std::min<long long>(busy, INT_MAX)));
  });
}

int Cam_take_pic(void) {
  return exportCall([&] { return run(2, 0, kBusyMs); });
}

int Cam_store_pic(int mode) {
  return exportCall([&] {
    if (mode != 0 && mode != 1)
      return refuse(CAM_OUT_OF_RANGE);
    return run(3, mode, kBusyMs);
  });
}

int Cam_pwr_off(void) {
  return exportCall([&] { return run(4, 0, kBusyMs); });
}

int Cam_take_preview(void) {
  return exportCall([&] { return run(5, 0, kBusyMs); });
}

int Cam_execute_diag(int value) {
  return exportCall([&] { return run(6, value, kLongBusyMs); });
}

int Cam_erase_select(int picture) {
  return exportCall([&] { return runSelected(4, picture, 7, 0, kBusyMs); });
}

int Cam_control_lcd(int mode, int value) {
  return exportCall([&] {
    if (mode == 3 || mode == 5 || mode == 6)
      return runSelected(40, value, 8, mode, kBusyMs);
    return run(8, mode, kBusyMs);
  });
}

int Cam_protect_picture(int flag, int picture) {
  return exportCall([&] { return runSelected(4, picture, 9, flag, kBusyMs); });
}

int Cam_write_loaded_data(void) {
  return exportCall([&] {
    Tick::sleepMs(camera().timings().loadedDataPauseMs);
    return run(11, 0, kBusyMs);
  });
}

int Cam_diag_lcd_disp(int value) {
  return exportCall([&] { return run(12, value, kBusyMs); });
}

int Cam_erase_opf(int index) {
  return exportCall([&] { return runSelected(56, index, 13, 0, kLongBusyMs); });
}

int Cam_record_audio(int picture) {
  return exportCall([&] { return runSelected(4, picture, 14, 0, kBusyMs); });
}

int Cam_erase_folder(int folder) {
  return exportCall([&] { return runSelected(83, folder, 16, 0, kBusyMs); });
}

} // extern "C"
