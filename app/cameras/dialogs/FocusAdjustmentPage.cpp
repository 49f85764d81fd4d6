#include "app/cameras/dialogs/FocusAdjustmentPage.h"

#include "app/cameras/dialogs/SettingTexts.h"
#include "app/host/CameraWindow.h"
#include "app/host/TarselEvents.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/ui/ButtonTP.h"
#include "app/ui/DialogControls.h"
#include "app/ui/SelectComboItemByData.h"
#include "app/ui/UiGuard.h"
#include "env/ErrorReport.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace tarsel::dialogs {

namespace {

constexpr UINT kDetectCameraSettingsCommand = 32796;
constexpr std::array<int, 3> kRadioIds = {1081, 1082, 1083};
constexpr std::array<std::int32_t, 3> kModes = {1, 2, 4};

int g_stepBetweenSamples = 20;

// The radio of a camera mode: 1 Auto, 2 Macro, 4 Manual; Auto for others.
int ChoiceOf(std::int32_t mode) {
  return mode == 2 ? 1 : mode == 4 ? 2 : 0;
}

} // namespace

int CFocusAdjustmentPage::StepBetweenSamples() {
  return g_stepBetweenSamples;
}

CFocusAdjustmentPage::CFocusAdjustmentPage(std::shared_ptr<ICameraSettingsSource> source,
                                           QWidget* cameraWindow)
    : CCameraSettingsPage(QStringLiteral("Focus Adjustment"), cameraWindow, "05d_controlling_focus.htm"),
      m_source(std::move(source)) {
  auto* layout = new QVBoxLayout(this);
  AddModeRow(layout);
  AddManualGroup(layout);
  AddTakeRow(layout);
  AddDigitalZoomRows(layout);
  layout->addStretch(1);
}

void CFocusAdjustmentPage::AddModeRow(QVBoxLayout* layout) {
  using tarsel::ui::NamedControl;
  auto* modes = new QHBoxLayout;
  const std::array<const char*, 3> texts = {"&Auto", "Ma&cro Mode", "&Manual"};
  for (std::size_t i = 0; i < m_radios.size(); ++i) {
    m_radios[i] = NamedControl(new QRadioButton(QString::fromLatin1(texts[i]), this), kRadioIds[i]);
    modes->addWidget(m_radios[i]);
    const int choice = static_cast<int>(i);
    tarsel::ui::ConnectGuarded(m_radios[i], &QRadioButton::clicked, this, [this, choice] { OnMode(choice); });
  }
  m_detect = NamedControl(new QPushButton(QStringLiteral("&Detect Capabilities"), this), 2002);
  tarsel::ui::ConnectGuarded(m_detect, &QPushButton::clicked, this, [this] {
    if (Window())
      Window()->PostCommand(kDetectCameraSettingsCommand);
    PressCancel();
  });
  modes->addStretch(1);
  modes->addWidget(m_detect);
  layout->addLayout(modes);
}

void CFocusAdjustmentPage::AddManualGroup(QVBoxLayout* layout) {
  using tarsel::ui::NamedControl;
  auto* group = NamedControl(new QGroupBox(QStringLiteral("Manual Focus Adjustment"), this), 2092);
  auto* manual = new QVBoxLayout(group);
  auto* hint = NamedControl(
      new QLabel(QStringLiteral(
                     "Look on the camera LCD or in the Preview window and adjust focus and zoom as needed."),
                 group),
      1033);
  hint->setWordWrap(true);
  manual->addWidget(hint);
  m_slider = NamedControl(new QSlider(Qt::Horizontal, group), 1084);
  m_slider->setTickPosition(QSlider::TicksBelow);
  tarsel::ui::ConnectGuarded(m_slider, &QSlider::valueChanged, this, [this](int value) { OnSlider(value); });
  m_position = NamedControl(new QLineEdit(group), 1085);
  m_position->setReadOnly(true);
  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(m_slider, 1);
  sliderRow->addWidget(m_position);
  manual->addLayout(sliderRow);
  m_min = NamedControl(new QLabel(QStringLiteral("***"), group), 1086);
  m_max = NamedControl(new QLabel(QStringLiteral("***"), group), 1087);
  auto* infinity = NamedControl(new QLabel(QStringLiteral("(Infinity)"), group), 1088);
  auto* labels = new QHBoxLayout;
  labels->addWidget(m_min);
  labels->addStretch(1);
  labels->addWidget(m_max);
  labels->addWidget(infinity);
  manual->addLayout(labels);
  auto* numbers = new QFormLayout;
  m_samples = NamedControl(new QSpinBox(group), 1090);
  m_samples->setRange(1, 60);
  numbers->addRow(QStringLiteral("&Number of samples to take:"), m_samples);
  m_step = NamedControl(new QSpinBox(group), 1093);
  m_step->setRange(1, 60);
  m_step->setValue(g_stepBetweenSamples);
  tarsel::ui::ConnectGuarded(m_step, &QSpinBox::valueChanged, this,
                             [](int value) { g_stepBetweenSamples = value; });
  numbers->addRow(QStringLiteral("Step Between Samples:"), m_step);
  manual->addLayout(numbers);
  layout->addWidget(group);
  m_manualControls = {m_slider, m_position, m_min, m_max, infinity, m_samples, m_step, hint, group};
}

void CFocusAdjustmentPage::AddTakeRow(QVBoxLayout* layout) {
  using tarsel::ui::NamedControl;
  auto* takeRow = new QHBoxLayout;
  m_take = NamedControl(new CButtonTP(QStringLiteral("&Take picture"), this), 1030);
  takeRow->addWidget(tarsel::ui::BuddyLabel(QStringLiteral("&Take Picture(s):"), m_take));
  m_take->setToolTip(m_take->text().left(80));
  tarsel::ui::ConnectGuarded(m_take, &QPushButton::clicked, this, [this] { OnTakeSamples(); });
  takeRow->addWidget(m_take);
  takeRow->addStretch(1);
  layout->addLayout(takeRow);
}

void CFocusAdjustmentPage::AddDigitalZoomRows(QVBoxLayout* layout) {
  using tarsel::ui::NamedControl;
  auto* zoomHint = NamedControl(
      new QLabel(QStringLiteral("Use Digital Zoom to enlarge image in the LCD when focusing manually."),
                 this),
      2081);
  auto* zoomLabel = NamedControl(new QLabel(QStringLiteral("Digital &Zoom:"), this), 2082);
  m_digitalZoom = NamedControl(new QComboBox(this), 1094);
  zoomLabel->setBuddy(m_digitalZoom);
  tarsel::ui::ConnectGuarded(m_digitalZoom, &QComboBox::currentIndexChanged, this,
                             [this] { OnDigitalZoom(); });
  auto* zoomNote = NamedControl(
      new QLabel(QStringLiteral("(This setting is not saved after exitting the dialog)"), this), 2083);
  auto* zoomRow = new QHBoxLayout;
  zoomRow->addWidget(zoomLabel);
  zoomRow->addWidget(m_digitalZoom);
  zoomRow->addWidget(zoomNote);
  layout->addWidget(zoomHint);
  layout->addLayout(zoomRow);
  m_digitalZoomControls = {zoomHint, zoomLabel, m_digitalZoom, zoomNote};
}

// Opening ------------------------------------------------------------------------------

void CFocusAdjustmentPage::OnCreate() {
  auto opening = std::make_shared<FocusOpening>();
  const bool useMonitor = Window() && !Window()->HasPreviewWindow();
  Calls().Run([source = m_source, opening, useMonitor] { *opening = source->OpenFocus(useMonitor); },
              [this, opening] { Opened(*opening); });
  UpdateEnabled();
}

void CFocusAdjustmentPage::Opened(const FocusOpening& opening) {
  m_entry = opening;
  m_monitorSwitchedOn = opening.monitorSwitchedOn;
  m_mode = opening.mode;
  m_positionSent = opening.position;
  m_chosenZoom = opening.digitalZoom;
  m_rangeKnown = opening.min != -1 && opening.max != -1;
  m_detect->setVisible(!opening.capabilitiesKnown);
  const bool updating = std::exchange(m_updating, true);
  if (m_rangeKnown) {
    const int step = std::max(1, (opening.max - opening.min + 1) / 12);
    m_slider->setRange(opening.min, opening.max);
    m_slider->setSingleStep(step);
    m_slider->setPageStep(step);
    m_slider->setTickInterval(step);
    m_slider->setValue(opening.min);
    m_min->setText(SliderValueText(opening.min));
    m_max->setText(SliderValueText(opening.max));
    // New pictures at full size while the page is shown.
    if (Window() && !m_divisorKept && m_active) {
      m_keptDivisor = Window()->SetZoomDivisor(1);
      m_divisorKept = true;
    }
    m_radios[static_cast<std::size_t>(ChoiceOf(opening.mode))]->setChecked(true);
    m_manual = opening.mode == 4;
    if (m_manual)
      m_slider->setValue(opening.position);
  } else {
    m_radios[0]->setChecked(true);
    m_mode = 1;
  }
  ShowPosition(m_slider->value());
  for (QWidget* control : m_digitalZoomControls)
    control->setVisible(m_source->NeedsDigitalZoomReset());
  m_digitalZoom->clear();
  for (const auto& [id, label] : opening.digitalZooms.values)
    m_digitalZoom->addItem(QString::fromStdString(label), id);
  SelectComboItemByData(m_digitalZoom, opening.digitalZoom);
  m_updating = updating;
  m_opened = true;
  // Left before the camera answered: what the opening changed goes back now.
  if (!m_active)
    GiveEntryBack();
  UpdateEnabled();
}

void CFocusAdjustmentPage::UpdateEnabled() {
  const bool idle = !IsBusy();
  for (std::size_t i = 0; i < m_radios.size(); ++i)
    m_radios[i]->setEnabled(idle && m_rangeKnown);
  for (QWidget* control : m_manualControls)
    control->setEnabled(idle && m_rangeKnown && m_manual);
  m_digitalZoom->setEnabled(idle);
  m_take->setEnabled(idle);
  if (IsBusy())
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
}

void CFocusAdjustmentPage::ShowPosition(int position) {
  m_position->setText(SliderValueText(position));
}

std::int32_t CFocusAdjustmentPage::ChosenMode() const {
  for (std::size_t i = 0; i < m_radios.size(); ++i)
    if (m_radios[i]->isChecked())
      return kModes[i];
  return 1;
}

// Changes --------------------------------------------------------------------------------

void CFocusAdjustmentPage::OnMode(int choice) {
  const std::int32_t mode = kModes[static_cast<std::size_t>(choice)];
  const std::int32_t position = m_slider->value();
  if (mode == 4) {
    m_samples->setValue(m_keptSamples);
    m_manual = true;
  } else if (std::exchange(m_manual, false)) {
    // Auto and macro take one picture at the camera's own focus.
    m_keptSamples = m_samples->value();
    m_samples->setValue(1);
  }
  m_mode = mode;
  const std::int32_t sent = mode == 4 ? position : -1;
  if (sent >= 0)
    m_positionSent = sent;
  RunWithStatus(
      [source = m_source, mode, sent] { return source->StatusAfter([&] { source->SetFocus(mode, sent); }); });
  SetModified();
  UpdateEnabled();
}

void CFocusAdjustmentPage::OnSlider(int position) {
  if (m_updating)
    return;
  ShowPosition(position);
  SetModified();
  // The camera follows the slider; moves made while a send is under way
  // are sent as one when it returns.
  m_positionToSend = position;
  if (!m_sending)
    SendPosition();
}

void CFocusAdjustmentPage::SendPosition() {
  const int position = std::exchange(m_positionToSend, -1);
  if (position < 0) {
    m_sending = false;
    return;
  }
  m_sending = true;
  m_positionSent = position;
  auto status = std::make_shared<std::string>();
  const bool queued =
      Calls().Run([source = m_source, position,
                   status] { *status = source->StatusAfter([&] { source->SetFocusPosition(position); }); },
                  [this, status] {
                    Calls().ShowStatus(*status);
                    SendPosition();
                  },
                  // A move that failed was reported; the moves made since still go.
                  [this] { SendPosition(); });
  if (!queued)
    m_sending = false;
}

void CFocusAdjustmentPage::OnDigitalZoom() {
  if (m_updating || m_digitalZoom->currentIndex() < 0)
    return;
  const std::int32_t value = m_digitalZoom->currentData().toInt();
  auto read = std::make_shared<std::int32_t>(value);
  Calls().Run([source = m_source, value, read] { *read = source->SetDigitalZoom(value); },
              [this, read] {
                m_chosenZoom = *read;
                const bool updating = std::exchange(m_updating, true);
                SelectComboItemByData(m_digitalZoom, *read);
                m_updating = updating;
              });
}

// The series ------------------------------------------------------------------------------

void CFocusAdjustmentPage::OnTakeSamples() {
  if (!Window() || IsBusy())
    return;
  m_seriesRunning = true;
  m_samplesTaken = 0;
  UpdateEnabled();
  Window()->BeginFocusSeries();
  // Samples are taken without the focusing zoom.
  if (m_chosenZoom != m_entry.digitalZoom) {
    const std::int32_t zoom = m_entry.digitalZoom;
    Calls().Run([source = m_source, zoom] { source->SetDigitalZoom(zoom); }, {});
  }
  QCoreApplication::postEvent(this, new QEvent(WM_TARSEL_PAGE_REFRESH));
}

bool CFocusAdjustmentPage::event(QEvent* event) {
  if (event->type() == WM_TARSEL_PAGE_REFRESH) {
    tarsel::ui::Guard(this, [this] { NextSample(0, true); });
    return true;
  }
  if (event->type() == WM_TARSEL_CAMERA_JOB_DONE) {
    const HRESULT code = static_cast<tarsel::host::CameraJobDoneEvent*>(event)->code();
    tarsel::ui::Guard(this, [&] {
      // A late answer of a series that ended is no sample.
      if (m_seriesRunning)
        NextSample(code, false);
    });
    return true;
  }
  return CCameraSettingsPage::event(event);
}

void CFocusAdjustmentPage::NextSample(HRESULT code, bool first) {
  if (!m_seriesRunning)
    return;
  if (code != 0) {
    EndSeries(false);
    ReportError(code, this);
    return;
  }
  const int count = m_samples->value();
  const int position = m_slider->value() + (first ? 0 : g_stepBetweenSamples);
  if (m_samplesTaken >= count || (m_rangeKnown && position > m_entry.max)) {
    EndSeries(false);
    return;
  }
  Window()->ShowPictureIndex(m_samplesTaken + 1, count);
  if (m_rangeKnown && position >= m_entry.min) {
    const bool updating = std::exchange(m_updating, true);
    m_slider->setValue(position);
    m_updating = updating;
    ShowPosition(position);
  }
  const std::int32_t mode = ChosenMode();
  const std::int32_t sent = mode == 4 ? position : -1;
  if (sent >= 0)
    m_positionSent = sent;
  ++m_samplesTaken;
  SetModified();
  RunWithStatus(
      [source = m_source, mode, sent] { return source->StatusAfter([&] { source->SetFocus(mode, sent); }); },
      [this, mode, position] {
        if (!m_seriesRunning || !Window())
          return;
        CCamExtraCommand command;
        command.SetCommand(mode, position);
        // A window busy with another take refuses this one: the series ends.
        if (!Window()->QueueTakePicture(&command))
          EndSeries(false);
      },
      [this] { EndSeries(false); });
}

void CFocusAdjustmentPage::EndSeries(bool cancelling) {
  if (!std::exchange(m_seriesRunning, false))
    return;
  if (Window())
    Window()->ShowPictureIndex(-1, 0);
  if (!cancelling && m_source->NeedsDigitalZoomReset() && m_chosenZoom != m_entry.digitalZoom) {
    const std::int32_t zoom = m_chosenZoom;
    Calls().Run([source = m_source, zoom] { source->SetDigitalZoom(zoom); }, {});
  }
  UpdateEnabled();
}

// Leaving -------------------------------------------------------------------------------------

void CFocusAdjustmentPage::OnSetActive() {
  m_active = true;
  if (Window())
    Window()->SetWaitingWindow(this);
  if (!m_opened)
    return;
  auto zoom = std::make_shared<std::int32_t>(0);
  Calls().Run([source = m_source, zoom] { *zoom = source->GetDigitalZoom(); },
              [this, zoom] {
                m_chosenZoom = *zoom;
                const bool updating = std::exchange(m_updating, true);
                SelectComboItemByData(m_digitalZoom, *zoom);
                m_updating = updating;
              });
}

void CFocusAdjustmentPage::OnKillActive() {
  if (!std::exchange(m_active, false))
    return;
  EndSeries(true);
  if (Window())
    Window()->ClearWaitingWindow(this);
  if (m_divisorKept && Window()) {
    Window()->SetZoomDivisor(m_keptDivisor);
    m_divisorKept = false;
  }
  if (m_opened)
    GiveEntryBack();
}

void CFocusAdjustmentPage::GiveEntryBack() {
  const std::int32_t resolution = m_entry.resolutionOnEntry;
  const std::int32_t zoom = m_chosenZoom != m_entry.digitalZoom ? m_entry.digitalZoom : -1;
  Calls().Run(
      [source = m_source, resolution, zoom] {
        if (source->GetResolution() != resolution)
          source->SetResolution(resolution);
        if (zoom >= 0)
          source->SetDigitalZoom(zoom);
      },
      {});
  m_chosenZoom = m_entry.digitalZoom;
}

void CFocusAdjustmentPage::OnCancel() {
  EndSeries(true);
  if (!m_opened)
    return;
  // The position as well when it moved, also outside manual focus (it
  // is the one manual focus returns to).
  const std::int32_t mode = m_entry.mode;
  const std::int32_t position = m_positionSent != m_entry.position ? m_entry.position : -1;
  if (m_mode == mode && position < 0)
    return;
  RunWithStatus([source = m_source, mode, position] {
    return source->StatusAfter([&] { source->SetFocus(mode, position); });
  });
}

} // namespace tarsel::dialogs
