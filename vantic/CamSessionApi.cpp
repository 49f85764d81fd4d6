// Exported library and session functions.
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/CallTimeLimit.h"
#include "vantic/ExportCall.h"
#include "vantic/PortLayer.h"

using namespace tarsel::vantic;
using api::camera;

extern "C" {

int Cam_reset_dll(void) {
  return exportCall([&] {
    camera().session().reset();
    return 0;
  });
}

int Cam_set_port(int port) {
  return exportCall([&] { return camera().session().setPort(port); });
}

int Cam_set_speed(int speedIndex) {
  return exportCall([&] { return camera().session().setSpeed(speedIndex); });
}

int Cam_session_enabled(int enable) {
  return exportCall([&] { return camera().session().enable(enable); });
}

int Cam_get_state(void) {
  return exportCall([&] { return camera().session().getState(); }, CAM_STATE_FAILED);
}

int Cam_error(void) {
  return exportCall([&] { return camera().state().lastResult; });
}

int Cam_ready(void) {
  return exportCall([&] { return camera().session().ready(); }, 0);
}

int Cam_setup_callback(CamProgressCallback callback, intptr_t userValue) {
  return exportCall([&] {
    camera().state().callback = callback;
    camera().state().userValue = userValue;
    return 0;
  });
}

int Cam_setup_monitor(int) {
  return 0;
}

int Cam_set_debug(int) {
  return 0;
}

int Cam_get_com_handle(void) {
  return exportCall([&] { return PortLayer::instance().serialFd(); }, -1);
}

int Cam_push_comm_open(int port, int mode) {
  return exportCall([&] { return camera().session().pushCommOpen(port, mode); });
}

int VanticSetTimeLimit(int milliseconds) {
  CallTimeLimit::set(milliseconds);
  return 0;
}

} // extern "C"
