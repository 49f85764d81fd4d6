// The camera manager's base: the operations that rebuild the camera list,
// prepare the transport, open and close a camera's device and start the
// command thread of an asynchronous capture or preview. CLinkCameraManager
// is the one implementation; tests derive from it to replace the thread start.
#pragma once

#include "hostapi/Win32Types.h"

#include <functional>

namespace tarsel::vesk {

class CCameraManager {
public:
  virtual ~CCameraManager() = default;

  // Rebuilds the camera list; the number of cameras found.
  virtual int Enumerate() = 0;
  // 0, or the library number 29 when the transport cannot be used.
  virtual int InitControl() = 0;
  // Opens the camera's device: 0 or a Win32 number.
  virtual DWORD Connect(int camera) = 0;
  // Closes it: 0, or 30 while a command runs.
  virtual int Close(int camera) = 0;
  // Starts a command thread running `procedure`: its non-zero handle, or 0
  // with errorNumber set when no thread could be started.
  virtual int StartCommandThread(std::function<void()> procedure, int& errorNumber) = 0;
};

} // namespace tarsel::vesk
