// What the camera dialogs share to talk to their camera without blocking:
// each change is a call queued on the camera window's worker
// (ICameraWindow::QueueCameraCall); its result comes back to the dialog on
// the user-interface thread. A call that fails sets the window's status line
// to "Error" and is reported with the dialog as owner; `failed` then runs
// instead of `done`, so that a caller waiting for the call can go on. The calls count as pending from
// queueing until their result has been handled, and the owner is told each time that count changes.
//
// The beep that tells the user a camera kept another value than the one
// asked for goes through a hook, so that tests can count it.
//
// User-interface thread only.
#pragma once

#include <QPointer>

#include <functional>
#include <string>

class ICameraWindow;
class QWidget;

namespace tarsel::dialogs {

class CameraDialogCalls {
public:
  // `owner` owns the results and the error boxes; `window` may be null (no
  // call is then queued).
  CameraDialogCalls(QWidget* owner, ICameraWindow* window, std::function<void()> pendingChanged);
  CameraDialogCalls(const CameraDialogCalls&) = delete;
  CameraDialogCalls& operator=(const CameraDialogCalls&) = delete;

  // False when nothing could be queued (no window, or it has no camera).
  bool Run(std::function<void()> work, std::function<void()> done, std::function<void()> failed = {});
  bool IsPending() const { return m_pending > 0; }
  ICameraWindow* Window() const { return m_window; }

  // The window's status line.
  void ShowStatus(const std::string& text) const;

  using BeepHook = std::function<void()>;
  // Installs a hook in place of the system's beep (empty: the beep again);
  // returns the previous one.
  static BeepHook SetBeepHook(BeepHook hook);
  static void Beep();

private:
  void Ended();

  QPointer<QWidget> m_owner;
  ICameraWindow* m_window;
  std::function<void()> m_pendingChanged;
  int m_pending = 0;
};

} // namespace tarsel::dialogs
