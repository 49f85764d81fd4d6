// The session with the camera: choosing the port and speed, opening the
// session (wake-up, speed switch, ready check) and closing it, the busy
// state after an action with its polls and deadline, and making the session
// usable again before an operation (re-opening it on the stored port and
// speed after the camera ended it or it failed). A busy serial camera is
// polled in reply-sized waits until its deadline; a busy USB camera answers
// only when done, so its poll waits up to the deadline at once. Enabling an
// open session ends it first as disabling does (a serial camera is told to
// go back to its opening speed, unless it ended the session itself). Runs
// under the library lock; results are the library's codes.
#pragma once

#include "vantic/CameraLink.h"

namespace tarsel::vantic {

class CameraSession {
public:
  CameraSession(ComPort& port, SessionState& state, CameraLink& link, const Timings& timings);

  // Closes any port and clears the session record.
  void reset();
  // Returns the handle found (160 or the COM number) or -1; 255 outside the
  // closed state.
  int setPort(int port);
  int setSpeed(int speedIndex);
  int enable(int enable);
  int getState();
  int ready();
  int pushCommOpen(int port, int mode);

  // 0 when the session can carry an operation, else a code.
  int ensure();
  int reopen();
  // One poll of a busy camera.
  void busyPoll();
  // The camera took an action: busy for at most busyMs.
  void startBusy(int busyMs);

private:
  int open();
  int close();
  bool openSerialWithRetries(int port);
  bool wake();
  bool findUsb();

  ComPort& m_port;
  SessionState& m_state;
  CameraLink& m_link;
  const Timings& m_timings;
};

} // namespace tarsel::vantic
