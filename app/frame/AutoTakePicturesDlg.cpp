#include "app/frame/AutoTakePicturesDlg.h"

#include "app/frame/DisplayErrorsDlg.h"
#include "app/frame/MainFrame.h"
#include "app/frame/MainFrameHelpers.h"
#include "app/frame/SpinEdit.h"
#include "app/host/TarselEvents.h"
#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "env/HtmlHelp.h"
#include "env/TarselFileTime.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include <cerrno>
#include <system_error>

using namespace tarsel::frame::detail;
using tarsel::ui::NamedControl;
using State = CAutoTakePicturesDlg::State;

namespace {

constexpr const char* kHelpTopic = "06b_time_lapse_photography.htm";
constexpr std::int64_t kUnitsPerSecond = 10'000'000;
constexpr HRESULT kNoCameras = static_cast<HRESULT>(0x81020012u);
// A schedule line that could not be read: ERROR_INVALID_DATA as a code.
constexpr HRESULT kBadScheduleLine = 13;
constexpr DWORD kTextSize = 261;

// The posted tick: a timer tick that runs at once.
const QEvent::Type kTickEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QString TimeText(std::int64_t time) {
  char text[kTextSize] = {};
  unsigned long length = sizeof text;
  if (TarselFileTime(time).GetString(text, length, true) != 0)
    return {};
  return QString::fromUtf8(text);
}

QString SettingText(LONG (ITarselConfigSettings::*get)(char*, DWORD*), ITarselConfigSettings& user) {
  char text[kTextSize] = {};
  DWORD size = kTextSize - 1;
  if ((user.*get)(text, &size) != 0)
    return {};
  return QString::fromUtf8(text);
}

} // namespace

CAutoTakePicturesDlg::CAutoTakePicturesDlg(QWidget* parent, CMainFrame& frame,
                                           tarsel::frame::TimeLapseOptions options)
    : QDialog(parent), m_frame(frame), m_options(std::move(options)),
      m_clock(m_options.clock ? m_options.clock : &tarsel::core::SystemTimeLapseClock()) {
  setWindowTitle(tr("Time Lapse Photography"));
  m_timer.setInterval(static_cast<int>(m_options.tick.count()));
  tarsel::ui::ConnectGuarded(&m_timer, &QTimer::timeout, this, [this] { OnTick(); });
  BuildControls();
  ReadSettings();
  ShowSaver();
  SetState(State::Stopped);
  m_frame.RegisterTimeLapseDialog(this);
}

CAutoTakePicturesDlg::~CAutoTakePicturesDlg() {
  // Results go to the frame again.
  m_frame.UnregisterTimeLapseDialog(this);
  if (m_waitCursor)
    QApplication::restoreOverrideCursor();
}

void CAutoTakePicturesDlg::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  m_tabs = NamedControl(new QTabBar(this), IDC_TABS);
  m_tabs->addTab(ResText(IDS_EQUAL_INTERVALS));
  m_tabs->addTab(ResText(IDS_CUSTOM_INTERVALS));
  layout->addWidget(m_tabs);

  m_equalPage = new QWidget(this);
  auto* equal = new QGridLayout(m_equalPage);
  m_numPicturesEdit = NamedControl(new tarsel::frame::SpinEdit(0, 32767, m_equalPage), IDC_NUM_PICTURES);
  m_intervalEdit = NamedControl(new tarsel::frame::SpinEdit(1, 32767, m_equalPage), IDC_INTERVAL);
  equal->addWidget(NamedControl(new QLabel(tr("Number of pictures:"), m_equalPage), 1068), 0, 0);
  equal->addWidget(m_numPicturesEdit, 0, 1);
  equal->addWidget(NamedControl(new QLabel(tr(" 0 = infinite"), m_equalPage), 2015), 0, 2);
  equal->addWidget(NamedControl(new QLabel(tr("Interval:"), m_equalPage), 1070), 1, 0);
  equal->addWidget(m_intervalEdit, 1, 1);
  equal->addWidget(NamedControl(new QLabel(tr(" sec."), m_equalPage), 2016), 1, 2);
  layout->addWidget(m_equalPage);

  m_customPage = new QWidget(this);
  auto* custom = new QHBoxLayout(m_customPage);
  m_scheduleEdit = NamedControl(new QLineEdit(m_customPage), IDC_SCHEDULE_FILE);
  m_browse = NamedControl(new QPushButton(tr("..."), m_customPage), IDC_BROWSE);
  custom->addWidget(NamedControl(new QLabel(tr("File with times:"), m_customPage), 2014));
  custom->addWidget(m_scheduleEdit, 1);
  custom->addWidget(m_browse);
  layout->addWidget(m_customPage);

  auto* form = new QFormLayout;
  m_counterEdit = NamedControl(new tarsel::frame::SpinEdit(1, 32767, this), IDC_COUNTER);
  form->addRow(tr("Initial counter:"), m_counterEdit);
  layout->addLayout(form);
  m_saveCounterBox = NamedControl(new QCheckBox(tr("Save Counter"), this), IDC_SAVE_COUNTER);
  m_doNotIncrementBox = NamedControl(
      new QCheckBox(tr("&Do not increment counter in the picture file name"), this), IDC_DO_NOT_INCREMENT);
  layout->addWidget(m_saveCounterBox);
  layout->addWidget(m_doNotIncrementBox);

  auto* saving = new QFormLayout;
  m_folder = NamedControl(new QLabel(this), IDC_FOLDER);
  m_method = NamedControl(new QLabel(this), IDC_METHOD);
  m_configure = NamedControl(new QPushButton(tr("C&onfigure"), this), IDC_CONFIGURE);
  saving->addRow(tr("Folder:"), m_folder);
  auto* method = new QHBoxLayout;
  method->addWidget(m_method, 1);
  method->addWidget(m_configure);
  saving->addRow(tr("Method:"), method);
  layout->addLayout(saving);

  m_nextPicture = NamedControl(new QLabel(this), IDC_NEXT_PICTURE);
  m_countdown = NamedControl(new QLabel(this), IDC_COUNTDOWN);
  m_status = NamedControl(new QLabel(this), IDC_STATUS);
  m_errorCount = NamedControl(new QLabel(this), IDC_ERROR_COUNT);
  m_display = NamedControl(new QPushButton(tr("Displa&y"), this), IDC_DISPLAY);
  m_display->hide();
  for (QLabel* line : {m_nextPicture, m_countdown, m_status})
    layout->addWidget(line);
  auto* errors = new QHBoxLayout;
  errors->addWidget(m_errorCount, 1);
  errors->addWidget(m_display);
  layout->addLayout(errors);

  auto* buttons = new QHBoxLayout;
  m_save = NamedControl(new QPushButton(tr("S&ave"), this), IDC_SAVE);
  m_start = NamedControl(new QPushButton(tr("&Start"), this), IDC_START);
  m_cancel = NamedControl(new QPushButton(tr("Cancel"), this), IDC_CANCEL);
  auto* help = NamedControl(new QPushButton(tr("&Help"), this), tarsel::ui::IDC_HELP);
  for (QPushButton* button : {m_save, m_start, m_cancel, help}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);

  using tarsel::ui::ConnectGuarded;
  ConnectGuarded(m_tabs, &QTabBar::currentChanged, this, [this](int tab) { ShowTab(tab); });
  ConnectGuarded(m_browse, &QPushButton::clicked, this, [this] { Browse(); });
  ConnectGuarded(m_configure, &QPushButton::clicked, this, [this] { Configure(); });
  ConnectGuarded(m_display, &QPushButton::clicked, this, [this] { DisplayErrors(); });
  ConnectGuarded(m_save, &QPushButton::clicked, this, [this] {
    if (ReadControls())
      SaveSettings();
  });
  ConnectGuarded(m_start, &QPushButton::clicked, this, [this] { OnStartStop(); });
  ConnectGuarded(m_cancel, &QPushButton::clicked, this, [this] { OnCancelPause(); });
  const auto showHelp = [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(static_cast<HWND>(static_cast<QWidget*>(this)), kHelpTopic);
  };
  ConnectGuarded(help, &QPushButton::clicked, this, showHelp);
  ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, showHelp);
}

void CAutoTakePicturesDlg::ReadSettings() {
  if (const auto user = tarsel::settings::OpenUserSettings(m_frame.GetSettings(), true)) {
    m_numPictures = static_cast<std::int32_t>(user->GetNumPicsToTake());
    m_interval = static_cast<std::int32_t>(user->GetTimeInterval());
    m_counter = static_cast<std::int32_t>(user->GetInitialCounter());
    m_saveCounter = user->GetSaveCounter() != 0;
    m_doNotIncrement = user->GetDoNotIncrementCounter();
    m_scheduleFile = SettingText(&ITarselConfigSettings::GetCustIntervalsFileName, *user);
    m_tab = user->GetTabNum() == 1 ? 1 : 0;
  }
  m_currentCounter = m_counter;
  m_numPicturesEdit->SetStored(m_numPictures);
  m_intervalEdit->SetStored(m_interval);
  m_counterEdit->SetStored(m_counter);
  m_saveCounterBox->setChecked(m_saveCounter);
  m_doNotIncrementBox->setChecked(m_doNotIncrement);
  m_scheduleEdit->setText(m_scheduleFile);
  m_tabs->setCurrentIndex(m_tab);
  ShowTab(m_tab);
}

bool CAutoTakePicturesDlg::ReadControls() {
  if (!m_numPicturesEdit->CheckRange() || !m_intervalEdit->CheckRange() || !m_counterEdit->CheckRange())
    return false;
  m_numPictures = m_numPicturesEdit->value();
  m_interval = m_intervalEdit->value();
  m_counter = m_counterEdit->value();
  m_saveCounter = m_saveCounterBox->isChecked();
  m_doNotIncrement = m_doNotIncrementBox->isChecked();
  m_scheduleFile = m_scheduleEdit->text();
  m_tab = m_tabs->currentIndex() == 1 ? 1 : 0;
  return true;
}

void CAutoTakePicturesDlg::SaveSettings() {
  const auto user = tarsel::settings::OpenUserSettings(m_frame.GetSettings(), false);
  if (!user)
    return;
  user->SetSaveCounter(m_saveCounter ? 1 : 0);
  user->SetNumPicsToTake(static_cast<DWORD>(m_numPictures));
  user->SetTimeInterval(static_cast<DWORD>(m_interval));
  user->SetInitialCounter(static_cast<DWORD>(m_counter));
  user->SetDoNotIncrementCounter(m_doNotIncrement);
  user->SetCustIntervalsFileName(m_scheduleFile.toUtf8().constData());
  user->SetTabNum(static_cast<DWORD>(m_tab));
}

void CAutoTakePicturesDlg::ShowTab(int tab) {
  m_equalPage->setVisible(tab == 0);
  m_customPage->setVisible(tab == 1);
}

void CAutoTakePicturesDlg::ShowSaver() {
  m_method->clear();
  m_folder->clear();
  // The saver the series' pictures go to, as the save queue chooses it.
  CSaveDllWrapper* saver = m_frame.ChooseSaver();
  CSaveDllDisplayInfo display;
  if (!saver || saver->DisplayInfo(m_frame.GetSettings(), &display) != 0)
    return;
  m_method->setText(QString::fromUtf8(display.GetName()));
  m_folder->setText(QString::fromUtf8(display.GetLocation()));
}

void CAutoTakePicturesDlg::Browse() {
  const QString current = m_scheduleEdit->text();
  QString chosen;
  if (m_options.chooseScheduleFile) {
    chosen = m_options.chooseScheduleFile(current);
  } else {
    chosen = QFileDialog::getOpenFileName(this, QString(), current.isEmpty() ? QString() : current,
                                          tr("Text Files (*.txt *.TXT)"));
  }
  if (chosen.isEmpty())
    return;
  m_scheduleFile = chosen;
  m_scheduleEdit->setText(chosen);
}

void CAutoTakePicturesDlg::Configure() {
  m_frame.RunOptionsDialog();
  ShowSaver();
}

void CAutoTakePicturesDlg::DisplayErrors() {
  CDisplayErrorsDlg list(m_errors, this);
  m_errorList = &list;
  const auto forget = qScopeGuard([this] { m_errorList = nullptr; });
  list.exec();
}

// ---------------------------------------------------------------------------
// The series

void CAutoTakePicturesDlg::OnStartStop() {
  if (m_state == State::Stopped)
    Start();
  else
    AskState(State::Stopped);
}

void CAutoTakePicturesDlg::OnCancelPause() {
  switch (m_state) {
  case State::Stopped:
    QDialog::reject();
    return;
  case State::Running:
    AskState(State::Paused);
    return;
  case State::Paused:
    // Times that passed during the pause are skipped; a schedule that has
    // none left ends the series.
    if (!EqualIntervals()) {
      if (m_next <= Now())
        m_due = ReadNextDue();
      if (!m_due) {
        EndSeries();
        return;
      }
    }
    SetState(State::Running);
    ShowNextPicture();
    PostTick();
    return;
  }
}

void CAutoTakePicturesDlg::reject() {
  tarsel::ui::Guard(this, [this] { OnCancelPause(); });
}

void CAutoTakePicturesDlg::AskState(State state) {
  if (!m_taking) {
    SetState(state);
    return;
  }
  // The take's result applies it.
  m_pending = state;
  m_start->setEnabled(false);
  m_cancel->setEnabled(false);
  if (!m_waitCursor) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waitCursor = true;
  }
}

void CAutoTakePicturesDlg::SetState(State state) {
  m_state = state;
  m_pending.reset();
  if (m_waitCursor) {
    QApplication::restoreOverrideCursor();
    m_waitCursor = false;
  }
  m_start->setEnabled(true);
  m_cancel->setEnabled(true);
  const bool stopped = state == State::Stopped;
  for (QWidget* input : std::initializer_list<QWidget*>{
           m_tabs, m_numPicturesEdit, m_intervalEdit, m_counterEdit, m_scheduleEdit, m_browse,
           m_saveCounterBox, m_doNotIncrementBox, m_configure, m_save})
    input->setEnabled(stopped);
  m_start->setText(ResText(stopped ? IDS_START : IDS_STOP));
  switch (state) {
  case State::Stopped:
    m_cancel->setText(ResText(IDS_CANCEL));
    m_status->clear();
    m_timer.stop();
    m_schedule.reset();
    return;
  case State::Running:
    m_cancel->setText(ResText(IDS_PAUSE));
    m_status->clear();
    if (EqualIntervals())
      m_next = Now();
    break;
  case State::Paused:
    m_cancel->setText(ResText(IDS_CONTINUE));
    m_status->setText(ResText(IDS_PAUSED));
    m_countdown->clear();
    break;
  }
  // Ticks come while a series lasts and no take is under way.
  if (!m_taking)
    m_timer.start();
}

void CAutoTakePicturesDlg::Start() {
  if (!ReadControls())
    return;
  SaveSettings();
  // The counter shown is the series' first, "Save Counter" or not: it is
  // the counter reached when that was kept, or the one the user typed.
  m_currentCounter = m_counter;
  m_next = 0;
  m_due = false;
  m_taking = false;
  m_picturesTaken = 0;
  m_errors.clear();
  m_errorCount->clear();
  m_display->hide();
  m_schedule.reset();
  // A schedule starts the series only with a due time, and says once why
  // it cannot: the timer runs from then on only.
  if (!EqualIntervals()) {
    if (!OpenSchedule())
      return;
    m_due = ReadNextDue();
    if (!m_due) {
      m_nextPicture->clear();
      tarsel::ui::AskUser(this, IDS_NO_TIMES_DUE, tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Error);
      return;
    }
  }
  SetState(State::Running);
  ShowNextPicture();
  if (EqualIntervals())
    PostTick();
}

void CAutoTakePicturesDlg::ShowNextPicture() {
  m_nextPicture->setText(ResFormat(IDS_NEXT_PICTURE, static_cast<long>(m_picturesTaken + 1),
                                   static_cast<long>(m_currentCounter),
                                   TimeText(m_next).toUtf8().constData()));
}

void CAutoTakePicturesDlg::PostTick() {
  QCoreApplication::postEvent(this, new QEvent(kTickEvent));
}

void CAutoTakePicturesDlg::OnTick() {
  if (m_state != State::Running || m_taking)
    return;
  const std::int64_t now = Now();
  if (now < m_next) {
    m_countdown->setText(
        ResFormat(IDS_SECONDS_BEFORE_PICTURE, static_cast<long>((m_next - now) / kUnitsPerSecond + 1)));
    return;
  }
  m_countdown->setText(ResText(IDS_TAKING_PICTURE));
  m_taking = true;
  m_timer.stop();
  if (m_frame.TakePictureAllCameras(m_currentCounter, true))
    return;
  // A camera window that holds as many unsaved pictures as it may has told
  // the user: the series ends instead of taking pictures it cannot keep.
  if (m_frame.RefusesNewPictures()) {
    EndSeries();
    return;
  }
  QCoreApplication::postEvent(this, new tarsel::host::SaveResultEvent(2, kNoCameras));
}

void CAutoTakePicturesDlg::AddError(const CTimedTakeError& error) {
  m_errors.push_back(error);
  m_errorCount->setText(ResFormat(IDS_ERROR_COUNT, static_cast<long>(m_errors.size())));
  m_display->show();
}

void CAutoTakePicturesDlg::OnResult(std::int32_t kind, HRESULT code) {
  if (kind != 0)
    AddError(CTimedTakeError(code));
  // A save error may come at any time, during the next take too: it
  // neither ends that take nor moves the series on.
  if (kind == 1)
    return;
  // The end of a take the series did not start (or one it no longer waits for).
  if (!m_taking || m_state == State::Stopped)
    return;
  if (kind == 0) {
    ++m_picturesTaken;
    if (!m_doNotIncrement)
      ++m_currentCounter;
    if (m_saveCounter && !m_doNotIncrement) {
      m_counter = m_currentCounter;
      m_counterEdit->SetStored(m_counter);
      if (const auto user = tarsel::settings::OpenUserSettings(m_frame.GetSettings(), false))
        user->SetInitialCounter(static_cast<DWORD>(m_counter));
    }
  }
  m_taking = false;
  if (EqualIntervals() && m_numPictures != 0 && m_picturesTaken >= m_numPictures) {
    EndSeries();
    return;
  }
  bool due = true;
  if (EqualIntervals())
    m_next += static_cast<std::int64_t>(m_interval) * kUnitsPerSecond;
  else
    due = m_due = ReadNextDue();
  if (!due) {
    EndSeries();
    return;
  }
  ShowNextPicture();
  if (m_pending) {
    SetState(*m_pending);
    return;
  }
  if (m_next <= Now()) {
    m_status->setText(ResText(IDS_INTERVAL_TOO_SHORT));
    PostTick();
  } else {
    m_timer.start();
  }
}

void CAutoTakePicturesDlg::EndSeries() {
  m_taking = false;
  if (m_errors.empty()) {
    SetState(State::Stopped);
    done(1);
    return;
  }
  SetState(State::Stopped);
  m_status->setText(ResText(IDS_DONE));
}

bool CAutoTakePicturesDlg::OpenSchedule() {
  const auto refuse = [this](const QString& text) {
    m_nextPicture->clear();
    tarsel::ui::AskUser(this, text, tarsel::ui::Buttons::Ok, tarsel::ui::Icon::Error);
    return false;
  };
  if (m_scheduleFile.isEmpty())
    return refuse(tr("No file with times was chosen."));
  int error = 0;
  m_schedule = CTimeLapseSchedule::OpenFile(QFile::encodeName(m_scheduleFile).toStdString(), error);
  if (m_schedule)
    return true;
  if (error == EFBIG) {
    return refuse(tr("The file %1 is larger than %2 bytes and is not read as a file with times.")
                      .arg(m_scheduleFile)
                      .arg(CTimeLapseSchedule::kMaxFileSize));
  }
  return refuse(ResFormat(IDS_CANNOT_OPEN_FILE, m_scheduleFile.toUtf8().constData(),
                          std::generic_category().message(error).c_str(), static_cast<unsigned>(error)));
}

bool CAutoTakePicturesDlg::ReadNextDue() {
  if (!m_schedule)
    return false;
  std::vector<CTimeLapseSchedule::Problem> problems;
  const bool due = m_schedule->NextDue(m_next, Now(), problems);
  for (const CTimeLapseSchedule::Problem& problem : problems)
    AddError(CTimedTakeError(kBadScheduleLine, problem.text.c_str()));
  if (!due)
    m_schedule.reset();
  return due;
}

bool CAutoTakePicturesDlg::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == kTickEvent) {
    tarsel::ui::Guard(this, [this] { OnTick(); });
    return true;
  }
  if (type == WM_TARSEL_SAVE_RESULT) {
    const auto* result = static_cast<tarsel::host::SaveResultEvent*>(event);
    tarsel::ui::Guard(this, [&] { OnResult(result->kind(), result->code()); });
    return true;
  }
  return QDialog::event(event);
}
