#include "drvconfig/BrantelVeskConfigDlg.h"

#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/UiGuard.h"
#include "drvconfig/ConfigTexts.h"
#include "env/HtmlHelp.h"
#include "platform/Win32Error.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

// Outside any namespace, as Qt's resource initialisation wants it; the
// dialog lives in a static library, so the program would lose the resource
// without this call.
static void initConfigIcon() {
  Q_INIT_RESOURCE(ConfigIcon);
}

namespace tarsel::drvconfig {

namespace {

constexpr const char* kHelpTopic = "brantelvesk_sys.htm";

} // namespace

CBrantelVeskConfigDlg::CBrantelVeskConfigDlg(std::string folder, std::function<bool()> isAdministrator,
                                             QWidget* parent)
    : QDialog(parent), m_calls(std::move(folder)), m_isAdministrator(std::move(isAdministrator)) {
  setWindowTitle(QStringLiteral("Tarsel BrantelVesk Driver Configuration"));
  // The desktop's camera icon, else the program's own.
  initConfigIcon();
  setWindowIcon(
      QIcon::fromTheme(QStringLiteral("camera-photo"), QIcon(QStringLiteral(":/brantelveskconfig/icon"))));

  auto* readFirst = new QGroupBox(QStringLiteral("Please read this first"), this);
  auto* explanation = tarsel::ui::NamedControl(new QPlainTextEdit(readFirst), 1003);
  explanation->setReadOnly(true);
  explanation->setPlainText(ConfigText(IDS_ABOUT_DRIVER) + ConfigText(IDS_ABOUT_CAMERAS));
  auto* refresh =
      tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Refresh Cameras"), readFirst), 1000);
  refresh->setDefault(true);
  auto* readFirstLayout = new QVBoxLayout(readFirst);
  readFirstLayout->addWidget(explanation);
  readFirstLayout->addWidget(
      tarsel::ui::WrappedLabel(QStringLiteral("Press to refresh camera list for BrantelVesk.sys. This "
                                              "is needed every time a camera of a new model is "
                                              "connected to this computer."),
                               readFirst));
  readFirstLayout->addWidget(refresh, 0, Qt::AlignLeft);

  auto* rare = new QGroupBox(QStringLiteral("These actions need to be done only at installation or "
                                            "uninstallation or if something does not work"),
                             this);
  auto* registerButton =
      tarsel::ui::NamedControl(new QPushButton(QStringLiteral("R&egister BrantelVesk.sys"), rare), 1001);
  auto* unregisterButton =
      tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Unregister BrantelVesk.sys"), rare), 1002);
  auto* rareLayout = new QVBoxLayout(rare);
  rareLayout->addWidget(
      tarsel::ui::WrappedLabel(QStringLiteral("Press this to install or reinstall BrantelVesk.sys. Cameras "
                                              "that are connected may need to be connected again."),
                               rare));
  rareLayout->addWidget(registerButton, 0, Qt::AlignLeft);
  rareLayout->addWidget(
      tarsel::ui::WrappedLabel(QStringLiteral("Press this to uninstall BrantelVesk.sys. Do it only if no "
                                              "other software on this computer uses camera-link cameras."),
                               rare));
  rareLayout->addWidget(unregisterButton, 0, Qt::AlignLeft);

  auto* link = tarsel::ui::NamedControl(new QLabel(this), 1005);
  link->setText(
      QStringLiteral("<a href=\"%1\">Supported cameras</a>").arg(QString::fromUtf8(kCameraListPage)));
  link->setAlignment(Qt::AlignCenter);
  link->setOpenExternalLinks(true);
  link->setCursor(Qt::PointingHandCursor);
  auto* help = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Help"), this), 1004);
  help->hide();
  auto* close = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("Close"), this), 2);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(link, 1);
  bottom->addWidget(help);
  bottom->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(readFirst);
  layout->addWidget(rare);
  layout->addLayout(bottom);

  ui::ConnectGuarded(refresh, &QPushButton::clicked, this, [this] { OnRefresh(); });
  ui::ConnectGuarded(registerButton, &QPushButton::clicked, this, [this] { OnRegister(); });
  ui::ConnectGuarded(unregisterButton, &QPushButton::clicked, this, [this] { OnUnregister(); });
  ui::ConnectGuarded(help, &QPushButton::clicked, this, [this] { OnHelp(); });
  ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                     [this] { OnHelp(); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  refresh->setFocus();
}

CBrantelVeskConfigDlg::~CBrantelVeskConfigDlg() = default;

void CBrantelVeskConfigDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Once, after the dialog is on the screen: a check on every paint would
  // stack one box per repaint.
  if (m_adminChecked)
    return;
  m_adminChecked = true;
  QTimer::singleShot(0, this, [this] {
    ui::Guard(this, [this] {
      if (m_isAdministrator())
        return;
      ui::AskUser(this, ConfigText(IDS_NOT_ADMINISTRATOR), ui::Buttons::Ok, ui::Icon::Error);
      done(2);
    });
  });
}

int CBrantelVeskConfigDlg::Run(const std::function<int()>& work) {
  try {
    return work();
  } catch (...) {
    return static_cast<int>(E_UNEXPECTED);
  }
}

void CBrantelVeskConfigDlg::ShowError(unsigned textId, int code) {
  if (code < 0)
    ui::AskUser(this, ConfigErrorText(textId, code), ui::Buttons::Ok, ui::Icon::Error);
}

void CBrantelVeskConfigDlg::ShowInformation(unsigned textId) {
  ui::AskUser(this, ConfigText(textId), ui::Buttons::Ok, ui::Icon::Information);
}

void CBrantelVeskConfigDlg::ShowModelsLeftOut() {
  const std::string names = m_calls.RefusedModels();
  ui::AskUser(this, ModelsLeftOutText(names), ui::Buttons::Ok, ui::Icon::Warning);
}

void CBrantelVeskConfigDlg::AskReconnect() {
  ShowInformation(IDS_RECONNECT_CAMERAS);
}

void CBrantelVeskConfigDlg::OnRefresh() {
  bool reconnectNeeded = false;
  const int result = Run([&] { return m_calls.RefreshCameras(reconnectNeeded); });
  if (result == CVeskInstCalls::kModelsLeftOut)
    return ShowModelsLeftOut();
  if (result < 0)
    return ShowError(IDS_CANNOT_UPDATE, result);
  ShowInformation(IDS_CAMERAS_REFRESHED);
  if (reconnectNeeded)
    AskReconnect();
}

void CBrantelVeskConfigDlg::OnRegister() {
  const int result = Run([this] { return m_calls.RegisterBrantelVesk(1); });
  if (result == CVeskInstCalls::kModelsLeftOut)
    return ShowModelsLeftOut();
  if (result < 0)
    return ShowError(IDS_CANNOT_REGISTER, result);
  ShowInformation(IDS_REGISTERED);
  if (result == 0)
    AskReconnect();
}

void CBrantelVeskConfigDlg::OnUnregister() {
  const int result = Run([this] { return m_calls.UnregisterBrantelVesk(1); });
  if (result < 0)
    return ShowError(IDS_CANNOT_UNREGISTER, result);
  ShowInformation(IDS_UNREGISTERED);
}

void CBrantelVeskConfigDlg::OnHelp() {
  if (!m_help)
    m_help = std::make_unique<CHtmlHelp>();
  m_help->DisplayHelp(this, kHelpTopic);
}

} // namespace tarsel::drvconfig
