// The camera window as a camera family's dialogs and property pages see it.
// The frame's camera window (CChildFrame) implements it; the families, which
// the frame links, reach the window only through it.
//
// A dialog that waits for a camera job of its window registers itself, or an
// event, while it waits: when the job ends the window posts the registered
// window a CameraJobDoneEvent (WM_TARSEL_CAMERA_JOB_DONE, the job's error
// code or 0) and sets the event. A registration ends when its owner clears
// it; a window destroyed meanwhile is simply not told.
//
// Threads: user-interface thread only (CWaitEvent itself may be waited on
// from any thread).
#pragma once

#include "app/host/ConnectedCameraHost.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <functional>
#include <memory>

class CWaitEvent;
class ICamExtraCommand;
class QObject;

class ICameraWindow {
public:
  // The camera window that holds `object` (the object itself or one of its
  // parents), or null: what a family's dialog asks with
  // WM_TARSEL_GET_CHILD_FRAME.
  static ICameraWindow* FromObject(QObject* object);

  virtual void SetWaitingWindow(QObject* window) = 0;
  // Ends the registration only when `window` is the one registered.
  virtual void ClearWaitingWindow(QObject* window) = 0;
  virtual void SetWaitingEvent(std::shared_ptr<CWaitEvent> event) = 0;
  // Ends the registration only when `event` is the one registered.
  virtual void ClearWaitingEvent(const std::shared_ptr<CWaitEvent>& event) = 0;
  // Queues one take on the window's camera host (nothing while the window is
  // busy or has no camera); `command` is copied, may be null.
  virtual void QueueTakePicture(const ICamExtraCommand* command) = 0;
  // Tells the registered window and event that the job ended; false when
  // neither is registered.
  virtual bool NotifyWaitingWindow(HRESULT code, std::intptr_t value) = 0;
  // Queues `call` on the camera host's worker, in turn with the window's
  // camera jobs (see CConnectedCameraHost::QueueCameraCall): how a dialog
  // talks to the camera without blocking the user-interface thread. False,
  // and nothing queued, while the window has no camera or it is disconnected.
  virtual bool QueueCameraCall(tarsel::host::CameraCall call) = 0;
  // Starts the window's work with its camera again, so that the title and
  // the save names follow the camera's new name.
  virtual void RestartSession() = 0;
  // While set, the window takes no pictures (its take command is disabled
  // and takes asked for are refused): a dialog copies the camera's pictures.
  virtual void SetDownloading(bool downloading) = 0;
  // The loading pane: "Loading: N%", or empty for a negative percentage.
  virtual void ShowLoadingPercent(std::int32_t percent) = 0;

protected:
  ~ICameraWindow() = default;
};
