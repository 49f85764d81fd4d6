#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"

#include "app/cameras/dialogs/CapabilityTrial.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/core/StringIds.h"
#include "app/host/EventSink.h"
#include "app/host/TarselEvents.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/ResText.h"
#include "app/ui/UiGuard.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/HtmlHelp.h"
#include "platform/Win32Error.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include <utility>

namespace {

using namespace tarsel::core::ids;
using tarsel::ui::ControlName;
using tarsel::ui::ResText;

constexpr int IDC_INSTRUCTION = 1033;
constexpr int IDC_RESTORE_DEFAULT = 1034;
constexpr int IDC_LOG = 1036;
constexpr int IDC_MODEL = 2088;
constexpr const char* kHelpTopic = "05h_camera_capabilities.htm";

std::chrono::milliseconds g_resolutionSettle = CCapabilityTrial::kDefaultResolutionSettle;

// Work of the camera's worker that continues on the dialog's thread.
class DialogCallEvent : public QEvent {
public:
  explicit DialogCallEvent(std::function<void(CTestCameraCapabilitiesDlg&)> call)
      : QEvent(WM_TARSEL_DIALOG_REFRESH), m_call(std::move(call)) {}
  ~DialogCallEvent() override { tarsel::host::AcquireHandoff(this); }

  void Run(CTestCameraCapabilitiesDlg& dialog) const { m_call(dialog); }

private:
  std::function<void(CTestCameraCapabilitiesDlg&)> m_call;
};

// The failure being handled as the suite's error.
_brantel_take_error CurrentError() {
  try {
    throw;
  } catch (const _brantel_take_error& error) {
    return error;
  } catch (...) {
    return _brantel_take_error(E_UNEXPECTED);
  }
}

} // namespace

// What the camera's worker shares with the dialog: the way back to it, which
// delivers nothing once the dialog is gone.
struct CTestCameraCapabilitiesDlg::Channel {
  std::shared_ptr<tarsel::host::EventSink> sink;

  void Post(std::function<void(CTestCameraCapabilitiesDlg&)> call) {
    sink->Post(new DialogCallEvent(std::move(call)));
  }
};

// One run's log on the worker: each line goes to the dialog at once; the
// answer is false once the run is to stop.
struct CTestCameraCapabilitiesDlg::RunLog : public _ICapabilitiesCallback {
  RunLog(std::shared_ptr<Channel> channel, std::stop_token stop)
      : m_channel(std::move(channel)), m_stop(std::move(stop)) {}

  bool LogLine(const char* text) override {
    m_channel->Post(
        [line = QString::fromUtf8(text)](CTestCameraCapabilitiesDlg& dialog) { dialog.AppendLog(line); });
    return !m_stop.stop_requested();
  }
  bool LogIndentedLine(const char* text) override { return LogLine((std::string("    ") + text).c_str()); }

  std::shared_ptr<Channel> m_channel;
  std::stop_token m_stop;
};

void CTestCameraCapabilitiesDlg::SetResolutionSettle(std::chrono::milliseconds settle) {
  g_resolutionSettle = settle;
}

CTestCameraCapabilitiesDlg::CTestCameraCapabilitiesDlg(std::shared_ptr<ICapabilityTestCamera> camera,
                                                       QWidget* parent)
    : QDialog(parent), m_camera(std::move(camera)), m_channel(std::make_shared<Channel>()) {
  tarsel::host::ReserveTarselEventTypes();
  m_channel->sink = tarsel::host::EventSink::Create(this);
  setWindowTitle(QStringLiteral("Detect Camera Capabilities"));
  resize(375, 410);

  m_instructionText =
      QStringLiteral("Put camera on a steady surface and press Start button.\nDo not touch the camera during "
                     "the detection process, which may take a long time.");
  m_instruction =
      tarsel::ui::NamedControl(tarsel::ui::WrappedLabel(m_instructionText, this), IDC_INSTRUCTION);
  m_model = tarsel::ui::NamedControl(new QLineEdit(this), IDC_MODEL);
  m_model->setReadOnly(true);
  auto* modelLabel = new QLabel(QStringLiteral("&Camera:"), this);
  modelLabel->setBuddy(m_model);
  m_log = tarsel::ui::NamedControl(new QPlainTextEdit(this), IDC_LOG);
  m_log->setReadOnly(true);
  m_start = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Start"), this), 1);
  m_start->setDefault(true);
  m_restore = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Restore Default"), this),
                                       IDC_RESTORE_DEFAULT);
  auto* help = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Help"), this), tarsel::ui::IDC_HELP);
  m_close = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("Close"), this), 2);
  m_start->setEnabled(false);

  tarsel::ui::ConnectGuarded(m_start, &QPushButton::clicked, this, [this] { OnStart(); });
  tarsel::ui::ConnectGuarded(m_restore, &QPushButton::clicked, this, [this] { OnRestoreDefault(); });
  tarsel::ui::ConnectGuarded(help, &QPushButton::clicked, this, [this] { OnHelp(); });
  tarsel::ui::ConnectGuarded(m_close, &QPushButton::clicked, this, [this] { reject(); });
  auto* helpKey = new QShortcut(QKeySequence::HelpContents, this);
  tarsel::ui::ConnectGuarded(helpKey, &QShortcut::activated, this, [this] { OnHelp(); });

  auto* modelRow = new QHBoxLayout;
  modelRow->addWidget(modelLabel);
  modelRow->addWidget(m_model, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {m_start, m_restore, help, m_close})
    buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(modelRow);
  layout->addWidget(m_instruction);
  layout->addWidget(m_log, 1);
  layout->addLayout(buttons);

  const std::shared_ptr<Channel> channel = m_channel;
  const std::shared_ptr<ICapabilityTestCamera> source = m_camera;
  const bool queued = RunOnCamera([channel, source](std::stop_token) {
    std::optional<ICapabilityTestCamera::Settings> saved;
    QString model;
    std::optional<_brantel_take_error> error;
    try {
      source->Connect();
      saved = source->ReadSettings();
      model = QString::fromStdString(source->GetModelName());
    } catch (...) {
      saved.reset();
      error = CurrentError();
    }
    try {
      source->DisConnect();
    } catch (...) {
    }
    channel->Post(
        [saved, model, error](CTestCameraCapabilitiesDlg& dialog) { dialog.OnOpened(saved, model, error); });
  });
  if (!queued)
    SetIdle();
}

CTestCameraCapabilitiesDlg::~CTestCameraCapabilitiesDlg() {
  if (m_runStop)
    m_runStop->request_stop();
  m_channel->sink->Detach();
}

bool CTestCameraCapabilitiesDlg::RunOnCamera(std::function<void(std::stop_token)> work) {
  return m_camera && m_camera->RunOnCamera(std::move(work));
}

bool CTestCameraCapabilitiesDlg::event(QEvent* event) {
  if (event->type() == WM_TARSEL_DIALOG_REFRESH) {
    if (const auto* call = dynamic_cast<DialogCallEvent*>(event)) {
      tarsel::ui::Guard(this, [&] { call->Run(*this); });
      return true;
    }
  }
  return QDialog::event(event);
}

void CTestCameraCapabilitiesDlg::OnOpened(std::optional<ICapabilityTestCamera::Settings> saved,
                                          const QString& model,
                                          const std::optional<_brantel_take_error>& error) {
  m_saved = saved;
  m_model->setText(model);
  SetIdle();
  if (error)
    ReportError(*error, this);
}

void CTestCameraCapabilitiesDlg::SetIdle() {
  m_state = State::Idle;
  m_start->setEnabled(true);
  m_restore->setEnabled(true);
  m_close->setEnabled(true);
  unsetCursor();
}

void CTestCameraCapabilitiesDlg::AppendLog(const QString& line) {
  m_log->appendPlainText(line);
  m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}

void CTestCameraCapabilitiesDlg::OnStart() {
  if (m_state != State::Idle)
    return;
  m_state = State::Running;
  m_runStop = std::make_shared<std::stop_source>();
  setCursor(Qt::WaitCursor);
  m_start->setEnabled(false);
  m_restore->setEnabled(false);
  m_close->setText(ResText(IDS_STOP));
  m_log->clear();
  m_instruction->setText(ResText(IDS_DETECTION_TAKES_LONG));

  const std::shared_ptr<Channel> channel = m_channel;
  const std::shared_ptr<ICapabilityTestCamera> source = m_camera;
  const std::optional<ICapabilityTestCamera::Settings> saved = m_saved;
  const std::chrono::milliseconds settle = g_resolutionSettle;
  const std::shared_ptr<std::stop_source> stop = m_runStop;
  const bool queued = RunOnCamera([channel, source, saved, settle, stop](std::stop_token workerStop) {
    // The run stops when the user asks, or when the worker does.
    const std::stop_callback onWorkerStop(workerStop, [&stop] { stop->request_stop(); });
    RunLog log(channel, stop->get_token());
    ICapabilityTestCamera::DetectionResult result;
    std::optional<_brantel_take_error> error;
    try {
      result = source->Detect({log, stop->get_token(), saved, settle});
    } catch (...) {
      error = CurrentError();
    }
    channel->Post([result, error](CTestCameraCapabilitiesDlg& dialog) {
      dialog.OnDetectionEnded(result.completed, result.fileName, error);
    });
  });
  if (!queued)
    OnDetectionEnded(false, {}, _brantel_take_error(E_FAIL, "The camera is not connected."));
}

void CTestCameraCapabilitiesDlg::OnDetectionEnded(bool completed, const std::string& file,
                                                  const std::optional<_brantel_take_error>& error) {
  SetIdle();
  m_instruction->setText(m_instructionText);
  if (error) {
    m_close->setText(ResText(IDS_CANCEL));
    ReportError(*error, this);
  } else if (!completed) {
    m_close->setText(ResText(IDS_CANCEL));
    tarsel::ui::AskUser(this, ResText(IDS_TEST_CANCELLED), tarsel::ui::Buttons::Ok,
                        tarsel::ui::Icon::Information, ResText(IDS_CANCELLED));
  } else {
    m_close->setText(ResText(IDS_CLOSE));
    tarsel::ui::AskUser(this, tarsel::ui::ResFormat(IDS_TEST_COMPLETED, file.c_str()),
                        tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Warning,
                        ResText(IDS_COMPLETED_SUCCESSFULLY));
  }
}

void CTestCameraCapabilitiesDlg::reject() {
  switch (m_state) {
  case State::Running:
    m_runStop->request_stop();
    return;
  case State::Working:
  case State::Closing:
    return;
  case State::Opening:
  case State::Idle:
    break;
  }
  if (!m_saved) {
    done(QDialog::Rejected);
    return;
  }
  m_state = State::Closing;
  m_start->setEnabled(false);
  m_restore->setEnabled(false);
  m_close->setEnabled(false);
  const std::shared_ptr<Channel> channel = m_channel;
  const std::shared_ptr<ICapabilityTestCamera> source = m_camera;
  const ICapabilityTestCamera::Settings saved = *m_saved;
  const bool queued = RunOnCamera([channel, source, saved](std::stop_token) {
    std::optional<_brantel_take_error> error;
    try {
      source->Connect();
      source->WriteSettings(saved);
    } catch (...) {
      error = CurrentError();
    }
    try {
      source->DisConnect();
    } catch (...) {
    }
    channel->Post([error](CTestCameraCapabilitiesDlg& dialog) {
      if (error)
        ReportError(*error, &dialog);
      dialog.done(QDialog::Rejected);
    });
  });
  if (!queued)
    done(QDialog::Rejected);
}

void CTestCameraCapabilitiesDlg::OnRestoreDefault() {
  if (m_state != State::Idle)
    return;
  m_state = State::Working;
  m_start->setEnabled(false);
  m_restore->setEnabled(false);
  const std::shared_ptr<Channel> channel = m_channel;
  const std::shared_ptr<ICapabilityTestCamera> source = m_camera;
  const bool queued = RunOnCamera([channel, source](std::stop_token) {
    std::optional<_brantel_take_error> error;
    try {
      source->RestoreDefaults();
    } catch (...) {
      error = CurrentError();
    }
    channel->Post([error](CTestCameraCapabilitiesDlg& dialog) {
      dialog.SetIdle();
      if (error)
        ReportError(*error, &dialog);
      else
        dialog.m_close->setText(ResText(IDS_CLOSE));
    });
  });
  if (!queued)
    SetIdle();
}

void CTestCameraCapabilitiesDlg::OnHelp() {
  if (!m_help)
    m_help = std::make_unique<CHtmlHelp>();
  m_help->DisplayHelp(this, kHelpTopic);
}
