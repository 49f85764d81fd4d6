// The modal "Fine Optical Zoom Adjustment" dialog of a Canon camera, for the
// camera window's "Advanced Settings" and the capture properties' "Advanced":
// a slider that moves the lens when a move ends, the zoom factor and the
// factors at both ends, a picture taken without closing, and "&Detect
// Capabilities" for a model whose capabilities are not known yet. While it
// is open the camera's monitor is on, unless the live preview runs; the
// dialog switches it off at the end only if it switched it on. OK keeps the
// zoom, Cancel puts it back.
//
// Controls are named "control<id>": 1097 the slider, 1098 the factor, 1099
// and 2001 the factors at the minimum and maximum, 1030 "&Take picture",
// 2002 "&Detect Capabilities", 1 OK, 2 Cancel, 1035 "&Help".
//
// Threads: user-interface thread; every camera call runs on the camera
// window's worker (CameraDialogCalls), and the dialog ends only once the
// calls of its ending (zoom back, monitor off) have run. Failure: a failed
// call sets the window's status to "Error" and is reported; the dialog
// stays usable.
#pragma once

#include "app/cameras/dialogs/CameraDialogCalls.h"
#include "app/cameras/dialogs/ZoomSlider.h"
#include "app/core/PreviewPauseGuard.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>

class CanonCD_Wr;
class CButtonTP;
class CHtmlHelp;
class QPushButton;

class CCanonCD_FineAdjustZoom : public QDialog {
public:
  // `parent` is the camera window (or a widget inside it); the camera
  // outlives the dialog.
  CCanonCD_FineAdjustZoom(CanonCD_Wr* camera, QWidget* parent);
  ~CCanonCD_FineAdjustZoom() override;

  // Tests: true until the camera was read, and while a call or a take runs.
  bool IsBusy() const;

  void accept() override;
  void reject() override;
  void done(int result) override;

protected:
  bool event(QEvent* event) override;

private:
  struct Opening;
  // Reads the zoom and its range on the worker, switching the monitor on
  // when the live preview does not run.
  void Open();
  void Opened(const Opening& opening);
  void OnSlider(std::int32_t position);
  void OnTakePicture();
  void OnDetect();
  // Runs the calls of the ending (the zoom back on Cancel, the monitor off)
  // and then ends with `result`.
  void Finish(int result, bool zoomBack);
  void UpdateEnabled();

  CanonCD_Wr* m_camera;
  tarsel::dialogs::CameraDialogCalls m_calls;
  std::unique_ptr<CHtmlHelp> m_help;
  std::optional<CPreviewPauseGuard> m_previewBusy;
  // What the opening read (on the worker, before any later call of the dialog).
  std::shared_ptr<Opening> m_opening;
  std::optional<tarsel::dialogs::CZoomSlider> m_zoom;
  CButtonTP* m_take = nullptr;
  QPushButton* m_detect = nullptr;
  QPushButton* m_ok = nullptr;
  std::int32_t m_start = 0;
  std::int32_t m_position = 0;
  bool m_opened = false;
  bool m_monitorSwitchedOn = false;
  bool m_taking = false;
  bool m_ending = false;
};
