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

#include <atomic>
#include <utility>

namespace {

using namespace tarsel::core::ids;
using tarsel::ui::ControlName;
using tarsel::ui::ResText;

constexpr int IDC_INSTRUCTION = 1033;
constexpr int IDC_RESTORE_DEFAULT = 1034;
constexpr int IDC_HELP = 1035;
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

// What the camera's worker shares with the dialog: the way back to it (which
// delivers nothing once the dialog is gone) and the stop flag. The run's log.
struct CTestCameraCapabilitiesDlg::Channel : public _ICapabilitiesCallback {
  std::shared_ptr<tarsel::host::EventSink> sink;
  std::atomic<bool> stopped{false};

  void Post(std::function<void(CTestCameraCapabilitiesDlg&)> call) {
    sink->Post(new DialogCallEvent(std::move(call)));
  }

  bool LogLine(const char* text) override {
    Post([line = QString::fromUtf8(text)](CTestCameraCapabilitiesDlg& dialog) { dialog.AppendLog(line); });
    return !stopped.load();
  }
  bool LogIndentedLine(const char* text) override { return LogLine((std::string("    ") + text).c_str()); }
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
  auto* help = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Help"), this), IDC_HELP);
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
  m_channel->stopped = true;
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
  m_channel->stopped = false;
  setCursor(Qt::WaitCursor);
  m_start->setEnabled(false);
  m_restore->setEnabled(false);
  m_close->setText(ResText(IDS_STOP));
  m_log->clear();
  m_instruction->setText(ResText(IDS_DETECTION_TAKES_LONG));

  const std::shared_ptr<Channel> channel = m_channel;
  const std::shared_ptr<ICapabilityTestCamera> source = m_camera;
  const std::optional<std::int32_t> whiteBalance =
      m_saved ? std::optional<std::int32_t>(m_saved->whiteBalance) : std::nullopt;
  const std::chrono::milliseconds settle = g_resolutionSettle;
  const bool queued = RunOnCamera([channel, source, whiteBalance, settle](std::stop_token stop) {
    bool completed = false;
    std::string file;
    std::optional<_brantel_take_error> error;
    try {
      const std::int32_t saved =
          whiteBalance ? *whiteBalance : source->GetSetting(ICapabilityTestCamera::Setting::WhiteBalance);
      CCapabilityTrial trial(*source, *channel, saved, stop, settle);
      completed = trial.Run() == CCapabilityTrial::Outcome::Completed;
      file = trial.FileName();
    } catch (...) {
      error = CurrentError();
    }
    channel->Post([completed, file, error](CTestCameraCapabilitiesDlg& dialog) {
      dialog.OnTrialEnded(completed, file, error);
    });
  });
  if (!queued)
    OnTrialEnded(false, {}, _brantel_take_error(E_FAIL, "The camera is not connected."));
}

void CTestCameraCapabilitiesDlg::OnTrialEnded(bool completed, const std::string& file,
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
    m_channel->stopped = true;
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
