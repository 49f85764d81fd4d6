// The live preview of one camera: a thread that fetches frames back to back
// and offers each to the listener, that holds before its next frame while
// the gate is closed (a camera job runs), and that ends when it is stopped or
// when the listener declines a frame. A frame in progress always completes.
//
// Threads: Start, Stop and Pause from any thread; the frame function runs on
// the preview thread. Stop from the preview thread itself (a listener that
// stops the preview) only asks the thread to end; the next Start or Stop
// collects it. Stop on the thread of the application object keeps that
// thread's events flowing while it waits, because the listener posts to its
// windows and may wait for them. Stop opens the way for its own thread
// through a closed gate without opening the gate for anyone else.
//
// Failure: a frame that throws ends only that frame; the next one follows
// after a short pause, so a camera that fails does not spin the thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class _ISdkPreviewCallback;

namespace tarsel::cameras {

class CPreviewThread {
public:
  // Fetches one frame and offers it to the listener (null when none is
  // set); false stops the preview.
  using Frame = std::function<bool(_ISdkPreviewCallback* listener)>;
  static constexpr std::chrono::milliseconds kFailurePause{200};

  explicit CPreviewThread(Frame frame);
  ~CPreviewThread();
  CPreviewThread(const CPreviewThread&) = delete;
  CPreviewThread& operator=(const CPreviewThread&) = delete;

  // Sets the listener and keeps the running thread going, or starts a new
  // one when none runs (one that ended is collected first). Throws
  // std::system_error when no thread can be made.
  void Start(_ISdkPreviewCallback* listener);
  // Ends the thread and waits for it; the listener is cleared.
  void Stop();
  // True closes the gate, false opens it.
  void Pause(bool pause);
  // True while a thread of this preview exists that has not ended.
  bool IsRunning();

private:
  struct Run;
  void Loop(Run& run);
  void WaitForEnd(Run& run);

  const Frame m_frame;
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_gateOpen = true;
  // The thread of the last Start, until Stop takes it.
  std::shared_ptr<Run> m_run;
};

} // namespace tarsel::cameras
