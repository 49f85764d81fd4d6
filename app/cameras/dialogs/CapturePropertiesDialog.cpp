#include "app/cameras/dialogs/CapturePropertiesDialog.h"

#include "app/cameras/dialogs/SettingTexts.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/host/CameraWindowCommands.h"
#include "app/host/TarselEvents.h"
#include "app/settings/SettingsAccess.h"
#include "app/settings/WindowPlacement.h"
#include "app/ui/ButtonTP.h"
#include "app/ui/DialogControls.h"
#include "app/ui/ExtComboBox.h"
#include "app/ui/ResText.h"
#include "app/ui/RestoreWindowPlacement.h"
#include "app/ui/SelectComboItemByData.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace tarsel::dialogs {

namespace {

using tarsel::settings::WindowPlacement;
namespace ids = tarsel::core::ids;

constexpr const char* kHelpTopic = "05c_controlling_capture_properties.htm";

constexpr int IDC_TAKE = 1030;
constexpr int IDC_ZOOM_SLIDER = 1097;
constexpr int IDC_ZOOM_LABEL = 2077;
constexpr int IDC_DETECT = 2071;
constexpr int IDC_ADVANCED = 2073;
constexpr int IDC_AF_LOCK = 2067;
constexpr int IDC_CLOSE = 1;
constexpr std::array<int, 3> kFocusIds = {1081, 1082, 1083};
constexpr std::array<std::int32_t, 3> kFocusModes = {1, 2, 4};

struct ListControl {
  int id;
  const char* label;
};
// In the order of CaptureList.
constexpr std::array<ListControl, kCaptureListCount> kListControls = {{
    {1021, "&Program Mode:"},
    {1023, "&Expo Time:"},
    {1022, "&Aperture:"},
    {1024, "Expo &Bias:"},
    {1025, "&ISO Speed:"},
    {1026, "&Flash Mode:"},
    {1027, "&White Balance:"},
    {1028, "&Metering Mode:"},
    {1029, "&Resolution:"},
    {2097, "AF Distance:"},
}};
// Top to bottom in the window, above the zoom; the AF distance goes below it.
constexpr std::array<CaptureList, kCaptureListCount - 1> kLayoutOrder = {
    CaptureList::ProgramMode,  CaptureList::Aperture, CaptureList::ExposureTime,
    CaptureList::ExposureBias, CaptureList::IsoSpeed, CaptureList::FlashMode,
    CaptureList::WhiteBalance, CaptureList::Metering, CaptureList::Resolution,
};

constexpr std::size_t Index(CaptureList list) {
  return static_cast<std::size_t>(list);
}

bool IsExposureList(CaptureList list) {
  return list == CaptureList::ProgramMode || list == CaptureList::Aperture ||
         list == CaptureList::ExposureTime;
}

} // namespace

CCapturePropertiesDialog::CCapturePropertiesDialog(std::shared_ptr<ICapturePropertiesSource> source,
                                                   QWidget* parent, ITarselSettings* settings)
    : QDialog(parent, Qt::Tool), m_source(std::move(source)),
      m_calls(this, ICameraWindow::FromObject(parent), [this] { UpdateEnabled(); }),
      m_window(dynamic_cast<QObject*>(ICameraWindow::FromObject(parent))), m_settings(settings) {
  setWindowTitle(QStringLiteral("Capture Properties"));
  BuildControls();
  UpdateEnabled();
  // The first fill comes once the window is up.
  QMetaObject::invokeMethod(
      this, [this] { tarsel::ui::Guard(this, [this] { Refill(); }); }, Qt::QueuedConnection);
}

CCapturePropertiesDialog::~CCapturePropertiesDialog() = default;

QLabel* CCapturePropertiesDialog::AddList(CaptureList list, QWidget* parent) {
  QComboBox* combo = nullptr;
  if (list == CaptureList::Aperture)
    combo = m_aperture = new CExtComboBox(ids::IDS_AUTO, parent);
  else if (list == CaptureList::ExposureTime)
    combo = m_exposureTime = new CExtComboBox(ids::IDS_AUTO, parent);
  else if (list == CaptureList::ExposureBias)
    combo = m_bias = new CExtComboBox(ids::IDS_NOT_AVAILABLE, parent);
  else
    combo = new QComboBox(parent);
  const ListControl& control = kListControls[Index(list)];
  tarsel::ui::NamedControl(combo, control.id);
  m_combos[Index(list)] = combo;
  auto* label = new QLabel(QString::fromLatin1(control.label), parent);
  label->setBuddy(combo);
  tarsel::ui::ConnectGuarded(combo, &QComboBox::currentIndexChanged, this, [this, list] {
    if (IsExposureList(list))
      OnExposureChanged(list);
    else
      OnValueChanged(list);
  });
  return label;
}

void CCapturePropertiesDialog::BuildControls() {
  using tarsel::ui::NamedControl;
  const unsigned features = m_source->Features();
  auto* form = new QFormLayout;
  for (const CaptureList list : kLayoutOrder) {
    QLabel* label = AddList(list, this);
    form->addRow(label, Combo(list));
  }

  m_zoomLabel = NamedControl(new QLabel(this), IDC_ZOOM_LABEL);
  auto* zoomTitle = new QLabel(QStringLiteral("&Zoom:"), this);
  m_zoom = NamedControl(new QSlider(Qt::Horizontal, this), IDC_ZOOM_SLIDER);
  m_zoom->setTickPosition(QSlider::TicksBelow);
  // The camera hears of a move only when it ends.
  m_zoom->setTracking(false);
  m_zoom->setRange(0, 0);
  zoomTitle->setBuddy(m_zoom);
  tarsel::ui::ConnectGuarded(m_zoom, &QSlider::valueChanged, this, [this] { OnZoomReleased(); });
  auto* zoomRow = new QHBoxLayout;
  zoomRow->addWidget(zoomTitle);
  zoomRow->addWidget(m_zoomLabel, 1);

  // The parts a family may lack sit in rows of their own, hidden where it does.
  auto* focusRow = new QWidget(this);
  auto* focusLayout = new QHBoxLayout(focusRow);
  focusLayout->setContentsMargins(0, 0, 0, 0);
  focusLayout->addWidget(new QLabel(QStringLiteral("Focus:"), focusRow));
  const std::array<const char*, 3> focusTexts = {"A&uto", "Macr&o", "&Manual"};
  for (std::size_t i = 0; i < m_focus.size(); ++i) {
    m_focus[i] = NamedControl(new QRadioButton(QString::fromLatin1(focusTexts[i]), focusRow), kFocusIds[i]);
    focusLayout->addWidget(m_focus[i]);
    const std::int32_t mode = kFocusModes[i];
    tarsel::ui::ConnectGuarded(m_focus[i], &QRadioButton::clicked, this, [this, mode] { OnFocus(mode); });
  }
  focusRow->setVisible(features & kCaptureFocusModes);

  auto* afRow = new QWidget(this);
  auto* afLayout = new QHBoxLayout(afRow);
  afLayout->setContentsMargins(0, 0, 0, 0);
  QLabel* afLabel = AddList(CaptureList::AfDistance, afRow);
  m_afLock = NamedControl(new QCheckBox(QStringLiteral("AF Loc&k"), afRow), IDC_AF_LOCK);
  // Shown once a refill found the camera has one.
  m_afLock->hide();
  tarsel::ui::ConnectGuarded(m_afLock, &QCheckBox::clicked, this, [this](bool locked) { OnAfLock(locked); });
  afLayout->addWidget(afLabel);
  afLayout->addWidget(Combo(CaptureList::AfDistance), 1);
  afLayout->addWidget(m_afLock);
  afRow->setVisible(features & (kCaptureAfDistance | kCaptureAfLock));
  afLabel->setVisible(features & kCaptureAfDistance);
  Combo(CaptureList::AfDistance)->setVisible(features & kCaptureAfDistance);

  auto* detect = NamedControl(new QPushButton(QStringLiteral("&Detect Capabilities"), this), IDC_DETECT);
  detect->hide();
  m_take = NamedControl(new CButtonTP(QStringLiteral("&Take picture"), this), IDC_TAKE);
  m_take->setToolTip(m_take->text().left(80));
  tarsel::ui::ConnectGuarded(m_take, &QPushButton::clicked, this, [this] {
    // The window disables this dialog when its take really starts; a take
    // it refuses leaves the dialog as it is.
    if (ICameraWindow* window = m_calls.Window())
      window->PostCommand(tarsel::host::window_cmd::TakePicture);
  });
  m_advanced = NamedControl(new QPushButton(QStringLiteral("Ad&vanced"), this), IDC_ADVANCED);
  tarsel::ui::ConnectGuarded(m_advanced, &QPushButton::clicked, this, [this] {
    if (ICameraWindow* window = m_calls.Window())
      window->PostOpenCameraSettings(m_source->SettingsPage(SettingsPageFor::Advanced));
  });
  auto* close = NamedControl(new QPushButton(QStringLiteral("Close"), this), IDC_CLOSE);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CCapturePropertiesDialog::reject);
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  tarsel::ui::ConnectGuarded(help, &QShortcut::activated, this, [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(this, kHelpTopic);
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_take);
  buttons->addWidget(m_advanced);
  buttons->addWidget(detect);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(zoomRow);
  layout->addWidget(m_zoom);
  layout->addWidget(afRow);
  layout->addWidget(focusRow);
  layout->addLayout(buttons);
}

// Showing and placement -----------------------------------------------------------

void CCapturePropertiesDialog::ShowAtStoredPlace() {
  m_placementReady = false;
  if (const auto params = tarsel::settings::OpenPersistentParams(m_settings, true)) {
    BYTE bytes[WindowPlacement::kRecordSize] = {};
    DWORD size = sizeof bytes;
    if (params->GetLastCaptureDlgPlace(bytes, &size) == 0)
      RestoreWindowPlacement(this, bytes, size, true);
  }
  show();
  raise();
  m_placementReady = true;
}

void CCapturePropertiesDialog::StorePlacement() {
  if (!m_placementReady || !m_settings || !isVisible())
    return;
  const auto params = tarsel::settings::OpenPersistentParams(m_settings, false);
  if (!params)
    return;
  const auto bytes = GetWindowPlacement(this).toBytes();
  params->SetLastCaptureDlgPlace(bytes.data(), static_cast<DWORD>(bytes.size()));
}

void CCapturePropertiesDialog::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  tarsel::ui::Quietly([this] { StorePlacement(); });
}

void CCapturePropertiesDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  tarsel::ui::Quietly([this] { StorePlacement(); });
}

void CCapturePropertiesDialog::reject() {
  tarsel::ui::Guard(this, [this] {
    if (m_window)
      QCoreApplication::postEvent(m_window.data(), new QEvent(WM_TARSEL_LEAVE_ALL_CAMERAS_VIEW));
    else
      hide();
  });
}

// Filling ---------------------------------------------------------------------------

void CCapturePropertiesDialog::Refill() {
  auto snapshot = std::make_shared<CaptureSnapshot>();
  m_refreshPending = false;
  m_calls.Run([source = m_source, snapshot] { *snapshot = source->ReadAll(); },
              [this, snapshot] { Apply(*snapshot); },
              // Reported already; the refill runs again when the dialog is next shown.
              [this] {
                m_refreshPending = true;
                m_filled = true;
                UpdateEnabled();
              });
}

void CCapturePropertiesDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_refreshPending)
    tarsel::ui::Guard(this, [this] { Refill(); });
}

void CCapturePropertiesDialog::RefillZoom() {
  auto zoom = std::make_shared<ZoomAndFocus>();
  m_calls.Run([source = m_source, zoom] { *zoom = source->ReadZoomAndFocus(); },
              [this, zoom] { ApplyZoom(*zoom); });
}

void CCapturePropertiesDialog::Apply(const CaptureSnapshot& snapshot) {
  setWindowTitle(QString::fromStdString(snapshot.name));
  m_exposure = snapshot.exposure;
  auto values = snapshot.values;
  values[Index(CaptureList::ProgramMode)] = m_exposure.mode;
  values[Index(CaptureList::Aperture)] = m_exposure.aperture;
  values[Index(CaptureList::ExposureTime)] = m_exposure.exposureTime;
  // The camera's own digital zoom is the one read while it was still on:
  // later refills find it off.
  if (!m_savedDigitalZoom)
    m_savedDigitalZoom = snapshot.digitalZoom;
  m_connected = true;
  ApplyZoom(snapshot.zoom);
  for (std::size_t i = 0; i < kCaptureListCount; ++i)
    FillCombo(static_cast<CaptureList>(i), snapshot.lists[i], values[i]);
  ApplyModeRule(m_exposure.mode);
  if (m_source->Features() & kCaptureAfLock) {
    m_afLock->setVisible(snapshot.afLockSupported);
    m_afLock->setChecked(snapshot.afLocked);
  }
  m_filled = true;
  UpdateEnabled();
}

void CCapturePropertiesDialog::ApplyZoom(const ZoomAndFocus& zoom) {
  const bool updating = std::exchange(m_updating, true);
  const std::int32_t low = std::max(zoom.min, 0);
  const std::int32_t high = std::max(zoom.max, 0);
  const std::int32_t step = std::max(1, (zoom.max - zoom.min) / 10);
  m_zoom->setRange(low, std::max(low, high));
  m_zoom->setSingleStep(step);
  m_zoom->setPageStep(step);
  m_zoom->setTickInterval(step);
  m_zoom->setValue(zoom.position);
  m_zoomLabel->setText(ZoomFactorText(zoom.factor));
  for (QRadioButton* radio : m_focus)
    radio->setAutoExclusive(false);
  for (std::size_t i = 0; i < m_focus.size(); ++i)
    m_focus[i]->setChecked(kFocusModes[i] == zoom.focusMode);
  for (QRadioButton* radio : m_focus)
    radio->setAutoExclusive(true);
  m_updating = updating;
}

void CCapturePropertiesDialog::FillCombo(CaptureList list, const CaptureValueList& values,
                                         std::int32_t current) {
  const bool updating = std::exchange(m_updating, true);
  QComboBox* combo = Combo(list);
  combo->clear();
  m_lists[Index(list)] = values;
  for (const auto& [id, label] : values.values)
    combo->addItem(QString::fromStdString(label), id);
  if (!values.supported && (m_source->Features() & kCaptureUnsupportedItem))
    combo->addItem(tarsel::ui::ResText(ids::IDS_UNSUPPORTED), -1);
  SelectComboItemByData(combo, values.supported ? current : -1);
  m_updating = updating;
}

void CCapturePropertiesDialog::Select(CaptureList list, std::int32_t value) {
  const bool updating = std::exchange(m_updating, true);
  SelectComboItemByData(Combo(list), value);
  m_updating = updating;
}

void CCapturePropertiesDialog::Reset() {
  const bool updating = std::exchange(m_updating, true);
  // The AF distance keeps its items: the next refill fills it anew.
  for (std::size_t i = 0; i < kCaptureListCount; ++i) {
    if (static_cast<CaptureList>(i) == CaptureList::AfDistance)
      continue;
    m_combos[i]->clear();
    m_lists[i] = {};
  }
  m_zoomLabel->clear();
  m_zoom->setRange(0, 0);
  m_zoom->setPageStep(1);
  m_zoom->setTickInterval(1);
  m_updating = updating;
  // Nothing goes back to a camera that is gone.
  m_connected = false;
  UpdateEnabled();
}

std::optional<std::int32_t> CCapturePropertiesDialog::SavedDigitalZoom() const {
  if (!m_connected)
    return std::nullopt;
  return m_savedDigitalZoom;
}

// Enabling --------------------------------------------------------------------------

void CCapturePropertiesDialog::Enable(bool enable) {
  m_takeRunning = !enable;
  UpdateEnabled();
}

bool CCapturePropertiesDialog::IsBusy() const {
  return m_calls.IsPending() || !m_filled;
}

void CCapturePropertiesDialog::ApplyModeRule(std::int32_t mode) {
  if (m_source->UsesExpoBias(mode)) {
    m_bias->ShowUnavailable(false);
    m_aperture->ShowUnavailable(!m_source->UsesAperture(mode));
    m_exposureTime->ShowUnavailable(!m_source->UsesExposureTime(mode));
  } else {
    m_aperture->ShowUnavailable(false);
    m_exposureTime->ShowUnavailable(false);
    m_bias->ShowUnavailable(true);
  }
}

void CCapturePropertiesDialog::UpdateEnabled() {
  const bool busy = IsBusy() || m_takeRunning;
  const bool enabled = !busy && m_connected;
  if (busy)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
  for (std::size_t i = 0; i < kCaptureListCount; ++i) {
    QComboBox* combo = m_combos[i];
    // A box standing aside for "Auto" or "N/A" stays disabled.
    const bool standsAside = combo->isHidden();
    // The AF distance is enabled whatever the camera offers.
    const bool offered = static_cast<CaptureList>(i) == CaptureList::AfDistance ||
                         (m_lists[i].supported && combo->count() > 0);
    combo->setEnabled(enabled && !standsAside && offered);
  }
  m_afLock->setEnabled(enabled);
  m_zoom->setEnabled(enabled);
  for (QRadioButton* radio : m_focus)
    radio->setEnabled(enabled);
  m_take->setEnabled(enabled);
  // The settings sheet needs the camera, not the dialog's calls.
  m_advanced->setEnabled(m_connected);
}

// Changes -----------------------------------------------------------------------------

void CCapturePropertiesDialog::OnExposureChanged(CaptureList list) {
  if (m_updating)
    return;
  QComboBox* combo = Combo(list);
  if (combo->currentIndex() < 0)
    return;
  const std::int32_t chosen = combo->currentData().toInt();
  ExposureBlock requested = m_exposure;
  if (list == CaptureList::ProgramMode)
    requested.mode = chosen;
  else if (list == CaptureList::Aperture)
    requested.aperture = chosen;
  else
    requested.exposureTime = chosen;
  struct Result {
    ExposureBlock read;
    std::int32_t bias = 0;
  };
  auto result = std::make_shared<Result>();
  m_calls.Run(
      [source = m_source, requested, result] {
        result->read = source->SetExposure(requested);
        result->bias = source->GetValue(CaptureList::ExposureBias);
      },
      [this, list, requested, result] { ExposureDone(list, requested, result->read, result->bias); });
}

void CCapturePropertiesDialog::ExposureDone(CaptureList list, const ExposureBlock& requested,
                                            const ExposureBlock& read, std::int32_t bias) {
  m_exposure.mode = read.mode;
  if (m_source->UsesAperture(read.mode))
    m_exposure.aperture = read.aperture;
  if (m_source->UsesExposureTime(read.mode))
    m_exposure.exposureTime = read.exposureTime;
  if (m_exposure.mode != requested.mode || m_exposure.aperture != requested.aperture ||
      m_exposure.exposureTime != requested.exposureTime)
    CameraDialogCalls::Beep();
  Select(CaptureList::ExposureTime, m_exposure.exposureTime);
  Select(CaptureList::Aperture, m_exposure.aperture);
  Select(CaptureList::ProgramMode, m_exposure.mode);
  Select(CaptureList::ExposureBias, bias);
  if (list != CaptureList::ProgramMode)
    return;
  // A program that sets the bias starts from none.
  if (m_source->UsesExpoBias(m_exposure.mode)) {
    Select(CaptureList::ExposureBias, 0);
    if (Combo(CaptureList::ExposureBias)->currentIndex() >= 0)
      SendValue(CaptureList::ExposureBias, Combo(CaptureList::ExposureBias)->currentData().toInt());
  }
  ApplyModeRule(m_exposure.mode);
  UpdateEnabled();
}

void CCapturePropertiesDialog::OnValueChanged(CaptureList list) {
  if (m_updating)
    return;
  QComboBox* combo = Combo(list);
  if (combo->currentIndex() < 0)
    return;
  SendValue(list, combo->currentData().toInt());
}

void CCapturePropertiesDialog::SendValue(CaptureList list, std::int32_t value) {
  struct Result {
    std::int32_t read = 0;
    std::optional<std::string> status;
  };
  auto result = std::make_shared<Result>();
  // The AF distance shows in the status line.
  const bool readsStatus = list == CaptureList::AfDistance;
  m_calls.Run(
      [source = m_source, list, value, readsStatus, result] {
        result->read = source->SetValue(list, value);
        if (readsStatus)
          result->status = source->StatusLine();
      },
      [this, list, value, result] {
        if (result->status)
          m_calls.ShowStatus(*result->status);
        if (result->read == value)
          return;
        CameraDialogCalls::Beep();
        Select(list, result->read);
      });
}

void CCapturePropertiesDialog::OnAfLock(bool locked) {
  auto state = std::make_shared<bool>(locked);
  m_calls.Run([source = m_source, locked, state] { *state = source->SetAfLock(locked); },
              [this, state] { m_afLock->setChecked(*state); },
              // The box shows what the camera still holds.
              [this, locked] { m_afLock->setChecked(!locked); });
}

void CCapturePropertiesDialog::OnZoomReleased() {
  if (m_updating)
    return;
  struct Result {
    std::pair<std::int32_t, double> reached;
    std::string status;
  };
  auto result = std::make_shared<Result>();
  const std::int32_t position = m_zoom->value();
  m_calls.Run(
      [source = m_source, position, result] {
        result->reached = source->SetOpticalZoom(position);
        result->status = source->StatusLine();
      },
      [this, result] {
        m_calls.ShowStatus(result->status);
        const bool updating = std::exchange(m_updating, true);
        m_zoom->setValue(result->reached.first);
        m_updating = updating;
        m_zoomLabel->setText(ZoomFactorText(result->reached.second));
      });
}

void CCapturePropertiesDialog::OnFocus(std::int32_t mode) {
  if (m_updating)
    return;
  auto status = std::make_shared<std::string>();
  m_calls.Run(
      [source = m_source, mode, status] {
        source->SetFocusMode(mode);
        *status = source->StatusLine();
      },
      [this, mode, status] {
        m_calls.ShowStatus(*status);
        // Manual focus is set on the settings sheet's focus page.
        if (mode == 4 && m_calls.Window())
          m_calls.Window()->PostOpenCameraSettings(m_source->SettingsPage(SettingsPageFor::ManualFocus));
      });
}

} // namespace tarsel::dialogs
