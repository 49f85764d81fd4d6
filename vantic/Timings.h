// The protocol's waits, with the camera's defaults. Tests shorten them; the
// library itself never changes them.
#pragma once

namespace tarsel::vantic {

struct Timings {
  int replyMs = 500;            // one try of a reply byte, a register reply, a block header or a USB block
  int delayAfterControlMs = 50; // before the next command after the library sent ACK, NAK or CAN
  int pendingLookMs = 20;       // looking for a pending byte before a packet
  int openTries = 7;            // serial opens during the port search
  int openPauseMs = 100;        // between those opens
  int settleMs = 50;            // after enabling the session and after the closing speed write
  int keepAliveMs = 2000;       // least time between two busy polls of Cam_get_state
  int blockSlackUnits = 100;    // added to a serial block's transfer time, in 10 ms units
  int loadedDataPauseMs = 500;  // before the action that writes loaded data
  int rawProbeMs = 30;          // raw access: wait for the camera's NAK
  int busyPercent = 100;        // scales the busy times of actions
};

} // namespace tarsel::vantic
