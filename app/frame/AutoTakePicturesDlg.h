// The "Time Lapse Photography" dialog: a series of all-cameras takes, at an
// equal interval or at the times a schedule file lists, every picture saved
// through the saver chosen in the Options ("LastMethodOfSaving"), with the
// picture counter carried from take to take. The frame passes it the results
// of the takes and saves (SaveResultEvent) while it exists; it posts itself
// (2, code) when a take cannot start. Errors of a series are listed by
// "Display" (CDisplayErrorsDlg).
//
// States: stopped, running, paused. A button pressed while a take is under
// way only records the state asked for, which the take's end applies. Take
// results that arrive while no take is under way (a save error of an earlier
// picture, a take the user started at the frame) only add to the errors.
// All times are UTC counts read from the clock given; schedule times are
// local wall-clock times converted by the time zone's rules.
//
// Threads: user-interface thread only; every handler is guarded.
#pragma once

#include "app/core/TimeLapseClock.h"
#include "app/core/TimeLapseSchedule.h"
#include "app/pictures/TimedTakeError.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CMainFrame;
class CHtmlHelp;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace tarsel::frame {
class SpinEdit;

// What a time-lapse dialog is made with (tests and the soak program replace
// the clock and the timer's period).
struct TimeLapseOptions {
  // Null: the system's clock.
  ITimeLapseClock* clock = nullptr;
  // Period of the timer that watches for the next picture.
  std::chrono::milliseconds tick{100};
  // Asks for a schedule file (the current name proposed); the empty text:
  // cancelled. Empty: the open-file dialog.
  std::function<QString(const QString& current)> chooseScheduleFile;
};

} // namespace tarsel::frame

class CAutoTakePicturesDlg : public QDialog {
  Q_OBJECT

public:
  static constexpr int IDD = 145;
  enum Control {
    IDC_NUM_PICTURES = 1052,
    IDC_INTERVAL = 1053,
    IDC_START = 1056,
    IDC_CANCEL = 1057,
    IDC_CONFIGURE = 1059,
    IDC_METHOD = 1062,
    IDC_DO_NOT_INCREMENT = 1064,
    IDC_COUNTDOWN = 1066,
    IDC_FOLDER = 1071,
    IDC_NEXT_PICTURE = 1072,
    IDC_STATUS = 1073,
    IDC_COUNTER = 1074,
    IDC_ERROR_COUNT = 1076,
    IDC_SCHEDULE_FILE = 2011,
    IDC_BROWSE = 2012,
    IDC_TABS = 2013,
    IDC_SAVE = 2017,
    IDC_DISPLAY = 2046,
    IDC_SAVE_COUNTER = 2050,
  };
  enum class State { Stopped = 1, Running = 2, Paused = 3 };

  CAutoTakePicturesDlg(QWidget* parent, CMainFrame& frame, tarsel::frame::TimeLapseOptions options = {});
  ~CAutoTakePicturesDlg() override;

  State CurrentState() const { return m_state; }
  int PicturesTaken() const { return m_picturesTaken; }
  std::int32_t CurrentCounter() const { return m_currentCounter; }
  const std::vector<CTimedTakeError>& Errors() const { return m_errors; }
  // When the next picture is due (UTC count; 0: none).
  std::int64_t NextTime() const { return m_next; }
  bool IsTaking() const { return m_taking; }
  // The error list opened by "Display" while it is shown, else null.
  QDialog* ErrorList() const { return m_errorList; }

  // Escape and the close box act as the Cancel button: they close the dialog
  // only while no series runs, and pause a running one.
  void reject() override;

protected:
  bool event(QEvent* event) override;

private:
  void BuildControls();
  void ReadSettings();
  bool ReadControls();
  void SaveSettings();
  void ShowTab(int tab);
  void ShowSaver();
  void Browse();
  void Configure();
  void DisplayErrors();
  void OnStartStop();
  void OnCancelPause();
  void Start();
  void SetState(State state);
  void AskState(State state);
  void PostTick();
  void OnTick();
  void OnResult(std::int32_t kind, HRESULT code);
  void EndSeries();
  void ShowNextPicture();
  bool EqualIntervals() const { return m_tab == 0; }
  // Opens the schedule file; false (and one message saying why) when there
  // is none or it cannot be read.
  bool OpenSchedule();
  // The next due time of the open schedule into m_next; false when none is
  // due (the file is then closed).
  bool ReadNextDue();
  void AddError(const CTimedTakeError& error);
  std::int64_t Now() const { return m_clock->Now(); }

  CMainFrame& m_frame;
  tarsel::frame::TimeLapseOptions m_options;
  ITimeLapseClock* m_clock;
  QTimer m_timer;
  std::unique_ptr<CHtmlHelp> m_help;

  // Settings and controls' values.
  std::int32_t m_numPictures = 0;
  std::int32_t m_interval = 10;
  std::int32_t m_counter = 0;
  QString m_scheduleFile;
  bool m_saveCounter = false;
  bool m_doNotIncrement = false;
  int m_tab = 0;

  // The running series.
  State m_state = State::Stopped;
  std::optional<State> m_pending;
  bool m_taking = false;
  int m_picturesTaken = 0;
  std::int64_t m_next = 0;
  // A schedule's m_next is due (false once the schedule has no more).
  bool m_due = false;
  std::int32_t m_currentCounter = 0;
  std::unique_ptr<CTimeLapseSchedule> m_schedule;
  std::vector<CTimedTakeError> m_errors;
  bool m_waitCursor = false;
  QDialog* m_errorList = nullptr;

  QTabBar* m_tabs = nullptr;
  QWidget* m_equalPage = nullptr;
  QWidget* m_customPage = nullptr;
  tarsel::frame::SpinEdit* m_numPicturesEdit = nullptr;
  tarsel::frame::SpinEdit* m_intervalEdit = nullptr;
  tarsel::frame::SpinEdit* m_counterEdit = nullptr;
  QLineEdit* m_scheduleEdit = nullptr;
  QPushButton* m_browse = nullptr;
  QCheckBox* m_saveCounterBox = nullptr;
  QCheckBox* m_doNotIncrementBox = nullptr;
  QLabel* m_folder = nullptr;
  QLabel* m_method = nullptr;
  QPushButton* m_configure = nullptr;
  QLabel* m_nextPicture = nullptr;
  QLabel* m_countdown = nullptr;
  QLabel* m_status = nullptr;
  QLabel* m_errorCount = nullptr;
  QPushButton* m_display = nullptr;
  QPushButton* m_save = nullptr;
  QPushButton* m_start = nullptr;
  QPushButton* m_cancel = nullptr;
};
