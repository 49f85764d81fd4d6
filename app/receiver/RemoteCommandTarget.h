// What the remote-control receiver needs of the main frame: a way to post it
// a frame command, as a menu choice would arrive. The frame runs the command
// later, on its own thread, after the command's enable test, so a command
// that is disabled when it arrives is dropped there.
#pragma once

#include "hostapi/Win32Types.h"

class IRemoteCommandTarget {
public:
  virtual ~IRemoteCommandTarget() = default;

  // Posts command `id` (WM_COMMAND id, 0); never runs it before returning.
  virtual void PostFrameCommand(UINT id) = 0;
};
