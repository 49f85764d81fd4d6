// The modal "Detect Camera Capabilities" dialog: runs the camera family's
// detection (ICapabilityTestCamera::Detect: the shared picture trial, or the
// family's own), shows its report in the log line by line, lets the user
// stop the run, has the result saved in the model's description file,
// restores the model's defaults on request, and puts the camera's settings
// of its opening back when it closes. Controls are named "control<id>":
// 2088 the model, 1033 the instruction, 1036 the log, 1 "&Start", 1034
// "&Restore Default", 1035 "&Help", 2 "Close" (which reads "Stop" while a run
// goes on and stops it then; Esc and the close box do the same).
//
// Threads: the dialog lives on the user-interface thread; everything it does
// with the camera (reading the settings at opening, the run, restoring the
// defaults, putting the settings back) runs on the camera window's worker
// through ICapabilityTestCamera::RunOnCamera and reports back by posted
// events, so the window stays responsive throughout, however long the
// detection takes. The run's log lines come the same way; the stop reaches
// the run through the answer of its next log line and its stop token.
//
// Failure: a failure of the run is reported (ReportError) and ends the run
// as cancelled: nothing is saved. A failure to put the settings back is
// reported and the dialog closes all the same.
#pragma once

#include "app/cameras/dialogs/CapabilityTestCamera.h"

#include <QDialog>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

class CHtmlHelp;
class QEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class _brantel_take_error;

class CTestCameraCapabilitiesDlg : public QDialog {
  Q_OBJECT

public:
  CTestCameraCapabilitiesDlg(std::shared_ptr<ICapabilityTestCamera> camera, QWidget* parent);
  ~CTestCameraCapabilitiesDlg() override;

  // Close, Esc and the close box: stop a run, else put the settings back and close.
  void reject() override;

  // How long a run waits after setting each resolution before it reads it
  // back (100 ms unless set; tests shorten it). User-interface thread.
  static void SetResolutionSettle(std::chrono::milliseconds settle);

protected:
  bool event(QEvent* event) override;

private:
  struct Channel;
  struct RunLog;
  enum class State { Opening, Idle, Running, Working, Closing };

  void OnStart();
  void OnRestoreDefault();
  void OnHelp();
  void OnOpened(std::optional<ICapabilityTestCamera::Settings> saved, const QString& model,
                const std::optional<_brantel_take_error>& error);
  void OnDetectionEnded(bool completed, const std::string& file,
                        const std::optional<_brantel_take_error>& error);
  void AppendLog(const QString& line);
  // Queues camera work; false (and nothing queued) without a camera.
  bool RunOnCamera(std::function<void(std::stop_token)> work);
  void SetIdle();

  std::shared_ptr<ICapabilityTestCamera> m_camera;
  std::shared_ptr<Channel> m_channel;
  // The stop of the run that goes on, or went last (shared with its work).
  std::shared_ptr<std::stop_source> m_runStop;
  State m_state = State::Opening;
  std::optional<ICapabilityTestCamera::Settings> m_saved;
  QString m_instructionText;
  QLineEdit* m_model = nullptr;
  QLabel* m_instruction = nullptr;
  QPlainTextEdit* m_log = nullptr;
  QPushButton* m_start = nullptr;
  QPushButton* m_restore = nullptr;
  QPushButton* m_close = nullptr;
  std::unique_ptr<CHtmlHelp> m_help;
};
