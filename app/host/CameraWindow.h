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
class _ITarselCallback;

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
  // Queues one take on the window's camera host; false, and nothing queued,
  // while the window is busy or has no camera. `command` is copied, may be null.
  virtual bool QueueTakePicture(const ICamExtraCommand* command) = 0;
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

  // What a dialog that changes the camera's settings uses:
  // Runs `work` on the window's camera host worker after the jobs queued
  // before it, then `done` on this thread with 0 or the code `work` threw,
  // unless `receiver` is gone by then (CConnectedCameraHost::QueueCameraCall);
  // false, and nothing queued, while the window has no camera.
  virtual bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                               std::function<void(HRESULT)> done) = 0;
  // Posts the window a command (a menu id); it runs when it arrives, when
  // its enable test passes then.
  virtual void PostCommand(UINT id) = 0;
  // Posts the window the request to open the camera-settings sheet at a page
  // (WM_TARSEL_OPEN_CAMERA_SETTINGS).
  virtual void PostOpenCameraSettings(std::int32_t firstPage) = 0;
  // The window as its camera's call-back (status line, preview).
  virtual _ITarselCallback* StatusCallback() = 0;
  // True while the program's live-preview window is open.
  virtual bool HasPreviewWindow() = 0;
  // The scale new pictures are decoded at (1 full size); returns the previous one.
  virtual std::int32_t SetZoomDivisor(std::int32_t divisor) = 0;
  // A focus series starts: unless the focusing-images strip shows already,
  // the window's pictures are dropped and the strip shows the ones to come.
  virtual void BeginFocusSeries() = 0;
  // "Picture <index> of <count>" in the window's status line; index -1 blanks it.
  virtual void ShowPictureIndex(long index, long count) = 0;

protected:
  ~ICameraWindow() = default;
};
