#include "app/cameras/lunet/LunetSdkPageSelCameras.h"

#include "app/core/IBaseSDK_Wr.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "app/ui/WaitCursor.h"
#include "env/HtmlHelp.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

#include <cstring>

namespace {

constexpr int IDC_USE_CAMERAS = 1001;
constexpr int IDC_MODEL_LIST = 2096;
constexpr const char* kHelpTopic = "04b_selecting_camera_models.htm";

} // namespace

CLunetSdkPageSelCameras::CLunetSdkPageSelCameras(IBaseSDK_Wr* sdk, QWidget* parent)
    : QWidget(parent), m_sdk(sdk) {
  setWindowTitle(QStringLiteral("Brantel \"Lunet\" SDK"));
  m_useCameras =
      new QCheckBox(QStringLiteral("&Check if you wish to use any camera in the list below"), this);
  m_useCameras->setObjectName(tarsel::ui::ControlName(IDC_USE_CAMERAS));
  auto* models = new QPlainTextEdit(this);
  models->setObjectName(tarsel::ui::ControlName(IDC_MODEL_LIST));
  models->setReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_useCameras);
  layout->addWidget(models, 1);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("Note: Lunet SDK can work with only one camera at a time, so if you connect several "
                     "cameras from this list, only one of them will be used. You cannot select which one."),
      this));

  tarsel::ui::Guard(this, [&] {
    const tarsel::ui::WaitCursor wait;
    QString text;
    for (const char* name = m_sdk->GetCameraModelList(); name && *name; name += std::strlen(name) + 1)
      text += QString::fromUtf8(name) + QStringLiteral("\r\n");
    models->setPlainText(text);
    m_useCameras->setChecked(m_sdk->IsEnabled() != nullptr);
  });
  connect(m_useCameras, &QCheckBox::clicked, this, &CLunetSdkPageSelCameras::changed);
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                             [this] { Help(); });
}

CLunetSdkPageSelCameras::~CLunetSdkPageSelCameras() = default;

void CLunetSdkPageSelCameras::OnApply() {
  const tarsel::ui::WaitCursor wait;
  m_sdk->SaveCameraSelection(m_useCameras->isChecked() ? "*" : nullptr);
}

bool CLunetSdkPageSelCameras::Apply() {
  return tarsel::ui::Guard(this, [this] { OnApply(); });
}

void CLunetSdkPageSelCameras::Help() {
  if (!m_help)
    m_help = std::make_unique<CHtmlHelp>();
  m_help->DisplayHelp(this, kHelpTopic);
}
