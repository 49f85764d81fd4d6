// Exported library and session functions.
#include "vantic/Vantic.h"

#include "vantic/ApiSupport.h"
#include "vantic/LibraryLock.h"
#include "vantic/PortLayer.h"

using namespace tarsel::vantic;
using api::camera;

extern "C" {

int Cam_reset_dll(void) {
  LibraryGuard guard(libraryLock());
  camera().session().reset();
  return 0;
}

int Cam_set_port(int port) {
  LibraryGuard guard(libraryLock());
  return camera().session().setPort(port);
}

int Cam_set_speed(int speedIndex) {
  LibraryGuard guard(libraryLock());
  return camera().session().setSpeed(speedIndex);
}

int Cam_session_enabled(int enable) {
  LibraryGuard guard(libraryLock());
  return camera().session().enable(enable);
}

int Cam_get_state(void) {
  LibraryGuard guard(libraryLock());
  return camera().session().getState();
}

int Cam_error(void) {
  LibraryGuard guard(libraryLock());
  return camera().state().lastResult;
}

int Cam_ready(void) {
  LibraryGuard guard(libraryLock());
  return camera().session().ready();
}

int Cam_setup_callback(CamProgressCallback callback, intptr_t userValue) {
  LibraryGuard guard(libraryLock());
  camera().state().callback = callback;
  camera().state().userValue = userValue;
  return 0;
}

int Cam_setup_monitor(int) { return 0; }

int Cam_set_debug(int) { return 0; }

int Cam_get_com_handle(void) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().serialFd();
}

int Cam_push_comm_open(int port, int mode) {
  LibraryGuard guard(libraryLock());
  return camera().session().pushCommOpen(port, mode);
}

} // extern "C"
