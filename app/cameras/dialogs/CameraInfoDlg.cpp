#include "app/cameras/dialogs/CameraInfoDlg.h"

#include "app/cameras/dialogs/CameraDialogButtons.h"
#include "app/cameras/dialogs/CameraDialogJobs.h"
#include "app/core/ITarselCallback.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/ui/DialogControls.h"
#include "app/ui/ResText.h"
#include "app/ui/UiGuard.h"
#include "env/ErrorReport.h"
#include "env/TarselFileTime.h"
#include "platform/Win32Error.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <array>

namespace tarsel::dialogs {

namespace {

constexpr const char* kHelpTopic = "05b_controlling_camera_info.htm";

using tarsel::ui::NamedControl;

QLineEdit* ReadOnlyField(QWidget* parent, int id) {
  auto* field = NamedControl(new QLineEdit(parent), id);
  field->setReadOnly(true);
  return field;
}

SYSTEMTIME FieldsOf(const FILETIME& clock) {
  SYSTEMTIME fields{};
  TarselFileTime(clock, 0).GetSysTime(fields, false);
  return fields;
}

} // namespace

CCameraInfoDlg::CCameraInfoDlg(std::shared_ptr<ICameraInfoSource> source, ICameraWindow* window,
                               _ITarselCallback* status, QWidget* parent,
                               std::chrono::milliseconds clockInterval)
    : QDialog(parent), m_source(std::move(source)), m_window(window), m_status(status),
      m_jobs(new CCameraDialogJobs(window, this)), m_clockInterval(clockInterval) {
  setWindowTitle(QStringLiteral("Camera Info"));
  m_type = ReadOnlyField(this, IDC_CAMERA_TYPE);
  m_firmware = ReadOnlyField(this, IDC_FIRMWARE);
  m_id = NamedControl(new QLineEdit(this), IDC_CAMERA_ID);
  m_id->setMaxLength(m_source->MaxCameraIdLength());
  m_date = ReadOnlyField(this, IDC_CAMERA_DATE);
  m_time = ReadOnlyField(this, IDC_CAMERA_TIME);
  m_stored = ReadOnlyField(this, IDC_STORED_PICS);
  m_remaining = ReadOnlyField(this, IDC_REMAINING_PICS);
  m_free = ReadOnlyField(this, IDC_FREE_MEMORY);
  m_setTime = NamedControl(new QCheckBox(QStringLiteral("&Set Current Time"), this), IDC_SET_CURRENT_TIME);
  for (QLineEdit* count : {m_stored, m_remaining})
    count->setText(QStringLiteral("0"));

  auto* camera = new QFormLayout;
  camera->addRow(QStringLiteral("Camera Type:"), m_type);
  camera->addRow(QStringLiteral("Firmware Version:"), m_firmware);
  auto* media = new QGroupBox(QStringLiteral("Media Info"), this);
  auto* mediaRows = new QFormLayout(media);
  mediaRows->addRow(QStringLiteral("Stored Pics:"), m_stored);
  mediaRows->addRow(QStringLiteral("Remaining Pics:"), m_remaining);
  auto* freeRow = new QHBoxLayout;
  freeRow->addWidget(m_free, 1);
  freeRow->addWidget(new QLabel(QStringLiteral("Bytes"), media));
  mediaRows->addRow(QStringLiteral("Free Memory:"), freeRow);
  auto* clock = new QFormLayout;
  auto* idLabel = new QLabel(QStringLiteral("Camera &ID:"), this);
  idLabel->setBuddy(m_id);
  clock->addRow(idLabel, m_id);
  clock->addRow(QStringLiteral("Camera Date:"), m_date);
  clock->addRow(QStringLiteral("Camera Time:"), m_time);
  clock->addRow(QString(), m_setTime);

  const CameraDialogButtons buttons =
      AddCameraDialogButtons(this, QStringLiteral("&Help"), tarsel::ui::IDC_HELP, kHelpTopic);
  m_ok = buttons.ok;

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(camera);
  layout->addWidget(media);
  layout->addLayout(clock);
  layout->addWidget(buttons.row);

  // OK waits for the values: there is nothing to compare a new ID with before.
  m_ok->setEnabled(false);
  m_busy.emplace();
  auto values = std::make_shared<CameraInfoValues>();
  auto time = std::make_shared<FILETIME>();
  const bool queued = m_jobs->Run(
      [source = m_source, values, time] {
        *values = source->ReadInfo();
        *time = source->ReadClock();
      },
      [this, values, time](HRESULT code) {
        OnInfoRead(code, *values);
        if (code == 0)
          OnClockRead(0, *time);
      });
  if (!queued) {
    QMetaObject::invokeMethod(
        this, [this] { OnInfoRead(static_cast<HRESULT>(ERROR_NOT_READY), {}); }, Qt::QueuedConnection);
  }
}

CCameraInfoDlg::~CCameraInfoDlg() = default;

QString CCameraInfoDlg::DateText(const FILETIME& clock) {
  // English month names whatever the user's locale.
  static constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                          "May",       "June",     "July",     "August",
                                                          "September", "October",  "November", "December"};
  const SYSTEMTIME fields = FieldsOf(clock);
  const char* month = fields.wMonth >= 1 && fields.wMonth <= 12 ? kMonths[fields.wMonth - 1u] : "";
  return QString::asprintf("%s %02u, %04u", month, static_cast<unsigned>(fields.wDay),
                           static_cast<unsigned>(fields.wYear));
}

QString CCameraInfoDlg::TimeText(const FILETIME& clock) {
  const SYSTEMTIME fields = FieldsOf(clock);
  return QString::asprintf("%02u:%02u:%02u", static_cast<unsigned>(fields.wHour),
                           static_cast<unsigned>(fields.wMinute), static_cast<unsigned>(fields.wSecond));
}

void CCameraInfoDlg::OnInfoRead(HRESULT code, const CameraInfoValues& values) {
  m_busy.reset();
  if (code != 0) {
    ShowError(code);
    QDialog::reject();
    return;
  }
  m_type->setText(QString::fromStdString(values.model));
  m_firmware->setText(QString::fromStdString(values.firmware));
  m_id->setText(QString::fromStdString(values.cameraId));
  m_initialId = m_id->text();
  if (values.hasMedia) {
    m_stored->setText(QString::number(values.storedPictures));
    m_remaining->setText(QString::number(values.remainingPictures));
    m_free->setText(QString::number(values.freeBytes));
  } else {
    m_free->setText(tarsel::ui::ResText(tarsel::core::ids::IDS_NO_MEDIA));
  }
  m_ok->setEnabled(true);
  m_id->setFocus();
  m_clockTimer = startTimer(m_clockInterval);
}

void CCameraInfoDlg::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_clockTimer) {
    QDialog::timerEvent(event);
    return;
  }
  tarsel::ui::Guard(this, [this] { ReadClock(); });
}

void CCameraInfoDlg::ReadClock() {
  // One reading at a time: a camera busy with a take answers late.
  if (m_clockPending || m_applying)
    return;
  auto time = std::make_shared<FILETIME>();
  m_clockPending = m_jobs->Run([source = m_source, time] { *time = source->ReadClock(); },
                               [this, time](HRESULT code) {
                                 m_clockPending = false;
                                 OnClockRead(code, *time);
                               });
}

void CCameraInfoDlg::OnClockRead(HRESULT code, const FILETIME& clock) {
  if (code != 0) {
    if (m_status)
      m_status->SetStatusText(tarsel::ui::ResText(tarsel::core::ids::IDS_ERROR).toUtf8().constData());
    if (!std::exchange(m_timeError, true))
      ReportError(code, static_cast<HWND>(static_cast<QWidget*>(this)));
    return;
  }
  m_timeError = false;
  m_date->setText(DateText(clock));
  m_time->setText(TimeText(clock));
}

void CCameraInfoDlg::accept() {
  if (m_applying || !m_ok->isEnabled())
    return;
  std::optional<std::string> cameraId;
  if (m_id->text() != m_initialId)
    cameraId = m_id->text().toStdString();
  std::optional<FILETIME> clock;
  if (m_setTime->isChecked())
    clock = TarselFileTime(true).fileTime();
  if (!cameraId && !clock) {
    QDialog::accept();
    return;
  }
  m_applying = true;
  setEnabled(false);
  m_busy.emplace();
  const bool renamed = cameraId.has_value();
  if (!m_jobs->Run([source = m_source, cameraId, clock] { source->Apply(cameraId, clock); },
                   [this, renamed](HRESULT code) { OnApplied(code, renamed); }))
    OnApplied(static_cast<HRESULT>(ERROR_NOT_READY), false);
}

void CCameraInfoDlg::reject() {
  // A change on its way to the camera is seen through.
  if (!m_applying)
    QDialog::reject();
}

void CCameraInfoDlg::OnApplied(HRESULT code, bool renamed) {
  m_busy.reset();
  // The dialog ends either way; a failure is reported over the window.
  QDialog::accept();
  if (code != 0) {
    ShowError(code);
    return;
  }
  if (renamed && m_window)
    m_window->RestartSession();
}

void CCameraInfoDlg::ShowError(HRESULT code) {
  if (m_status)
    m_status->SetStatusText(tarsel::ui::ResText(tarsel::core::ids::IDS_ERROR).toUtf8().constData());
  ReportError(code, static_cast<HWND>(static_cast<QWidget*>(this)));
}

} // namespace tarsel::dialogs
