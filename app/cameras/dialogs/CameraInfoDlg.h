// The modal "Camera Info" dialog of one camera, for every camera family: the
// camera's model, firmware, camera ID, the card's picture counts and free
// bytes, and its clock, read again every second; OK renames the camera when
// the ID was changed (the camera window then takes the new name) and, with
// "Set Current Time" checked, sets the camera's clock to the computer's.
//
// The camera is asked only through the camera window's worker (see
// CCameraDialogJobs), so a take that runs meanwhile never blocks the dialog:
// the values appear when their job has run, and OK takes effect before the
// dialog ends. A failure while opening shows "Error" in the window's status
// line, reports the error and ends the dialog with Cancel; a failing clock
// shows "Error" on every tick but reports only the first of a run of failures.
//
// User-interface thread only.
#pragma once

#include "app/cameras/dialogs/CameraInfoSource.h"
#include "app/core/PreviewPauseGuard.h"

#include <QDialog>

#include <chrono>
#include <memory>
#include <optional>

class ICameraWindow;
class _ITarselCallback;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tarsel::dialogs {

class CCameraDialogJobs;

class CCameraInfoDlg : public QDialog {
public:
  static constexpr int IDD = 133;
  static constexpr int IDC_CAMERA_TYPE = 1009;
  static constexpr int IDC_CAMERA_ID = 1010;
  static constexpr int IDC_CAMERA_DATE = 1011;
  static constexpr int IDC_CAMERA_TIME = 1012;
  static constexpr int IDC_SET_CURRENT_TIME = 1013;
  static constexpr int IDC_STORED_PICS = 2021;
  static constexpr int IDC_REMAINING_PICS = 2022;
  static constexpr int IDC_FREE_MEMORY = 2023;
  static constexpr int IDC_FIRMWARE = 2103;

  // `window` is the camera window (its worker runs the camera calls),
  // `status` its status line; neither is owned, both outlive the dialog.
  CCameraInfoDlg(std::shared_ptr<ICameraInfoSource> source, ICameraWindow* window, _ITarselCallback* status,
                 QWidget* parent, std::chrono::milliseconds clockInterval = std::chrono::seconds(1));
  ~CCameraInfoDlg() override;

  // The camera's date "%B %d, %Y" and time "%H:%M:%S" (English month names).
  static QString DateText(const FILETIME& clock);
  static QString TimeText(const FILETIME& clock);

  void accept() override;
  void reject() override;

protected:
  void timerEvent(QTimerEvent* event) override;

private:
  void OnInfoRead(HRESULT code, const CameraInfoValues& values);
  void ReadClock();
  void OnClockRead(HRESULT code, const FILETIME& clock);
  void OnApplied(HRESULT code, bool renamed);
  void ShowError(HRESULT code);

  std::shared_ptr<ICameraInfoSource> m_source;
  ICameraWindow* m_window;
  _ITarselCallback* m_status;
  CCameraDialogJobs* m_jobs;
  // The main window's busy state while the dialog reads or applies.
  std::optional<CPreviewPauseGuard> m_busy;
  std::chrono::milliseconds m_clockInterval;
  int m_clockTimer = 0;
  bool m_clockPending = false;
  bool m_timeError = false;
  bool m_applying = false;
  QString m_initialId;

  QLineEdit* m_type = nullptr;
  QLineEdit* m_firmware = nullptr;
  QLineEdit* m_id = nullptr;
  QLineEdit* m_date = nullptr;
  QLineEdit* m_time = nullptr;
  QLineEdit* m_stored = nullptr;
  QLineEdit* m_remaining = nullptr;
  QLineEdit* m_free = nullptr;
  QCheckBox* m_setTime = nullptr;
  QPushButton* m_ok = nullptr;
};

} // namespace tarsel::dialogs
