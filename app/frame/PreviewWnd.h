// The "Preview" tool window: the live picture stream of one camera window's
// camera, each frame scaled to fit the window (aspect kept, centred); the
// window keeps the size it was given whatever the frames' size. The main frame makes at most one, for the
// active camera window, moves it to another camera window (PostSetCamera), suspends it while the camera is
// needed elsewhere and destroys it after it reports its closing.
//
// Threads: the window belongs to the user-interface thread; only
// OnPreviewFrame runs on the camera family's preview thread. There the frame
// is decoded (or turned by the user's "Rotation") outside the frame lock;
// the lock only swaps it in as the current frame, and one posted
// WM_TARSEL_PREVIEW_FRAME per burst of frames tells the window, so frames that come faster than they
// are painted replace each other. Stopping sets the stopping flag under the
// lock and then, outside it, waits in StopPreview for the preview thread to
// end; every way the window ends stops first, so no frame reaches a window
// that is gone. A family hands each frame in a record of its own.
//
// Failure: a frame that cannot be decoded is dropped (the last good one
// stays); failures of the camera's preview calls are swallowed: the window
// then shows nothing new, and the user can close it.
#pragma once

#include "app/core/ISdkPreviewCallback.h"
#include "hostapi/RefPtr.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

class ICameraHiLevel;
class IPictureFromCamera;
class ITarselSettings;

struct PreviewWndOptions {
  // The camera an owner window shows (its camera host's camera), or null.
  std::function<ICameraHiLevel*(QWidget* owner)> cameraOf;
  // The application's settings ("Rotation", "LastPreviewWndPlace"); may be null.
  ITarselSettings* settings = nullptr;
  // A placement is stored this long after the last move or resize (and at
  // the latest when the window closes).
  std::chrono::milliseconds placementDelay{500};
};

class CPreviewWnd : public QWidget, public _ISdkPreviewCallback {
  Q_OBJECT

public:
  using Options = PreviewWndOptions;

  // The window is created hidden, a child of mainWindow, which receives
  // WM_TARSEL_PREVIEW_CLOSED when the window closes.
  CPreviewWnd(QWidget* owner, QWidget* mainWindow, Options options);
  ~CPreviewWnd() override;

  // Places the window by its owner (or where it was stored), attaches to the
  // owner's camera and starts the preview unless suspended.
  void Create(bool suspended = false);
  // The window moves to another owner window's camera when the call arrives.
  void PostSetCamera(QWidget* owner);
  // Stops (true) or restarts (false) the preview; returns when it is done.
  void Suspend(bool suspend);
  // Stops, drops the frame, stores the placement, hides and reports the
  // closing to the main window; the window then only waits to be destroyed.
  void Close();
  bool IsClosed() const { return m_closed; }
  // True when window is the owner or the owner the window is moving to.
  bool Shows(const QWidget* window) const;
  QWidget* Owner() const { return m_owner; }
  // Frames painted so far (each frame counted once).
  std::uint64_t FramesPainted() const { return m_framesPainted; }
  // Frames the camera handed over while the preview ran (any thread).
  std::uint64_t FramesReceived() const { return m_framesReceived.load(); }

  // Where the current frame is drawn: scaled to fit the window, keeping its
  // aspect, centred; empty without a frame.
  QRect PictureRect() const;
  // The largest rectangle of the picture's aspect inside `area`, centred.
  static QRect FitPicture(const QSize& picture, const QRect& area);

  // The top-left corner of a new window for an owner with this screen
  // rectangle inside this work area.
  static QPoint InitialPosition(const QRect& owner, const QRect& workArea);

  // _ISdkPreviewCallback (preview thread)
  bool OnPreviewFrame(IPictureFromCamera* frame) override;

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void SetOwner(QWidget* owner);
  void Attach();
  void Start();
  void Stop();
  void OnFrame();
  void RestorePlacement();
  void PlacementChanged();
  void StorePlacement();
  static QSize FrameSize(IPictureFromCamera* frame);
  // The user's "Rotation" (0 when it is none of 1 .. 3).
  std::int32_t Rotation() const;

  const Options m_options;
  QPointer<QWidget> m_mainWindow;
  QPointer<QWidget> m_owner;
  QPointer<QWidget> m_pendingOwner;
  // The camera the preview runs on; only the user-interface thread uses it.
  ICameraHiLevel* m_camera = nullptr;
  bool m_shown = false;
  bool m_suspended = false;
  bool m_closed = false;
  bool m_created = false;
  QTimer m_placementTimer;
  std::uint64_t m_framesPainted = 0;
  std::uint64_t m_paintedSerial = 0;

  // Between the preview thread and the user-interface thread.
  mutable std::mutex m_frameLock;
  CRefPtr<IPictureFromCamera> m_frame;
  std::uint64_t m_frameSerial = 0;
  bool m_frameAnnounced = false;
  bool m_stopping = true;
  std::atomic<std::uint64_t> m_framesReceived{0};
};
