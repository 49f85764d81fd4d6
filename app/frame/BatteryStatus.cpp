#include "app/frame/BatteryStatus.h"

#include "app/core/StringIds.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/ResText.h"
#include "app/ui/UiGuard.h"
#include "env/FormatStdString.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include <atomic>
#include <string>
#include <utility>

namespace tarsel::frame {
namespace {

using namespace tarsel::core::ids;
using tarsel::ui::ResFormat;
using tarsel::ui::ResText;

constexpr std::int32_t kLevelBit = 0x10000;
constexpr std::int32_t kLevelOk = 0x10001;
constexpr std::int32_t kLevelWeak = 0x10002;
constexpr std::int32_t kLevelLow = 0x10003;
constexpr std::int32_t kLevelVeryLow = 0x10004;

bool IsLevel(std::int32_t value) {
  return (value & kLevelBit) != 0;
}

std::uint32_t PercentOf(std::int32_t value) {
  return static_cast<std::uint32_t>(value) & 0xFFFFu;
}

} // namespace

QString BatteryPaneText(std::int32_t value) {
  if (value < 0)
    return {};
  if (!IsLevel(value)) {
    return ResFormat(IDS_BATTERY_PERCENT, static_cast<long>(PercentOf(value)));
  }
  switch (value) {
  case kLevelOk:
    return ResText(IDS_BATTERY_OK);
  case kLevelWeak:
    return ResText(IDS_BATTERY_WEAK);
  case kLevelLow:
    return ResText(IDS_BATTERY_LOW);
  case kLevelVeryLow:
    return ResText(IDS_BATTERY_VERY_LOW);
  default:
    return ResText(IDS_BATTERY_UNKNOWN);
  }
}

bool BatteryWarningWanted(std::int32_t value) {
  if (value < 0)
    return false;
  const std::int32_t low17 = value & 0x1FFFF;
  if (low17 == kLevelLow || low17 == kLevelVeryLow)
    return true;
  return !IsLevel(value) && PercentOf(value) < 50;
}

QString BatteryWarningText(std::int32_t value) {
  // A level code is no percentage: "only 65539% remains" would be nonsense.
  if (value >= 0 && IsLevel(value))
    return ResText((value & 0x1FFFF) == kLevelVeryLow ? IDS_BATTERY_LEVEL_VERY_LOW_WARNING
                                                      : IDS_BATTERY_LEVEL_LOW_WARNING);
  return ResFormat(IDS_BATTERY_PERCENT_WARNING, static_cast<unsigned long>(value < 0 ? 0 : PercentOf(value)));
}

} // namespace tarsel::frame

namespace {

std::atomic<bool> g_suppressedForRun{false};

QString controlName(int id) {
  return QStringLiteral("control%1").arg(id);
}

CBatteryStatusNotification::Hook& TestHook() {
  static CBatteryStatusNotification::Hook hook;
  return hook;
}

} // namespace

CBatteryStatusNotification::CBatteryStatusNotification(std::int32_t value, const QString& cameraName,
                                                       ITarselSettings* settings, QWidget* parent)
    : QDialog(parent), m_message(tarsel::frame::BatteryWarningText(value)),
      m_percentage(value < 0 ? 0u : static_cast<std::uint32_t>(value) & 0xFFFFu), m_cameraName(cameraName),
      m_settings(settings) {
  const QString caption = QStringLiteral("Battery Status");
  setWindowTitle(cameraName.isEmpty() ? caption : QStringLiteral("%1 - %2").arg(caption, cameraName));
  auto* layout = new QVBoxLayout(this);
  m_text = new QLabel(m_message, this);
  m_text->setObjectName(controlName(IDC_MESSAGE));
  m_text->setWordWrap(true);
  layout->addWidget(m_text);
  m_thisRun =
      new QCheckBox(QStringLiteral("Do not bother me during this run of Tarsel (I use AC power)"), this);
  m_thisRun->setObjectName(controlName(IDC_THIS_RUN));
  layout->addWidget(m_thisRun);
  m_never = new QCheckBox(QStringLiteral("Never bother me again, ever!"), this);
  m_never->setObjectName(controlName(IDC_NEVER));
  layout->addWidget(m_never);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

CBatteryStatusNotification::~CBatteryStatusNotification() = default;

bool CBatteryStatusNotification::IsSuppressed(ITarselSettings* settings) {
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(settings, true);
  if (user && user->GetDontShowBatteryStatus())
    g_suppressedForRun.exchange(true);
  return g_suppressedForRun.load();
}

bool CBatteryStatusNotification::IsSuppressedForRun() {
  return g_suppressedForRun.load();
}

void CBatteryStatusNotification::ClearRunFlagForTests() {
  g_suppressedForRun.store(false);
}

int CBatteryStatusNotification::ShowModal() {
  if (const Hook hook = TestHook()) {
    hook(*this);
    accept();
    return result();
  }
  return exec();
}

CBatteryStatusNotification::Hook CBatteryStatusNotification::SetHook(Hook hook) {
  return std::exchange(TestHook(), std::move(hook));
}

QString CBatteryStatusNotification::MessageText() const {
  return m_text->text();
}

void CBatteryStatusNotification::SetThisRunChecked(bool checked) {
  m_thisRun->setChecked(checked);
}

void CBatteryStatusNotification::SetNeverChecked(bool checked) {
  m_never->setChecked(checked);
}

void CBatteryStatusNotification::accept() {
  if (m_thisRun->isChecked() || m_never->isChecked())
    g_suppressedForRun.exchange(true);
  if (m_never->isChecked()) {
    // A setting that cannot be written is reported; the box still closes and
    // the warnings stay off for this run.
    tarsel::ui::Guard(this, [this] {
      const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings, false);
      if (user)
        user->SetDontShowBatteryStatus(true);
    });
  }
  QDialog::accept();
}
