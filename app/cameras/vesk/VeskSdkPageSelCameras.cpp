#include "app/cameras/vesk/VeskSdkPageSelCameras.h"

#include "app/cameras/vesk/UnknownCamera.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/cameras/vesk/VeskTextLists.h"
#include "app/core/StringIds.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/UiGuard.h"
#include "app/ui/WaitCursor.h"
#include "env/HtmlHelp.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <cstring>

namespace {

namespace ids = tarsel::core::ids;

constexpr int IDC_MODEL_LIST = 1000;
constexpr int IDC_ADVANCED = 1003;
constexpr const char* kHelpTopic = "04b_selecting_camera_models.htm";

// The list sorts without regard to case, as the model list always did.
class ModelItem : public QListWidgetItem {
public:
  using QListWidgetItem::QListWidgetItem;
  bool operator<(const QListWidgetItem& other) const override {
    return text().compare(other.text(), Qt::CaseInsensitive) < 0;
  }
};

QStringList TextsOf(const char* list) {
  QStringList texts;
  for (const char* text = list; text && *text; text += std::strlen(text) + 1)
    texts.push_back(QString::fromUtf8(text));
  return texts;
}

} // namespace

CVeskSdkPageSelCameras::CVeskSdkPageSelCameras(CVeskSDK_Wr* sdk, tarsel::vesk::DriverSetupContext context,
                                               QWidget* parent)
    : QWidget(parent), m_sdk(sdk), m_context(std::move(context)) {
  setWindowTitle(QStringLiteral("Brantel \"Vesk\" SDK"));
  m_list = new QListWidget(this);
  m_list->setObjectName(tarsel::ui::ControlName(IDC_MODEL_LIST));
  m_list->setSelectionMode(QAbstractItemView::MultiSelection);
  m_list->setSortingEnabled(true);
  auto* advanced = new QPushButton(QStringLiteral("&Advanced"), this);
  advanced->setObjectName(tarsel::ui::ControlName(IDC_ADVANCED));
  auto* selectLabel = new QLabel(QStringLiteral("&Select all cameras you are planning to work with:"), this);
  selectLabel->setBuddy(m_list);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("You need to tell Tarsel all models of cameras that will be used "
                     "on this computer. In the future, if you need to add more "
                     "cameras, you may run this dialog again."),
      this));
  layout->addWidget(selectLabel);
  layout->addWidget(m_list, 1);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("If your camera is not in the list above, Tarsel still may work "
                     "with it. To find out, press Advanced button."),
      this));
  layout->addWidget(advanced, 0, Qt::AlignLeft);

  OnInitDialog();
  connect(m_list, &QListWidget::itemSelectionChanged, this, &CVeskSdkPageSelCameras::changed);
  tarsel::ui::ConnectGuarded(advanced, &QPushButton::clicked, this, [this] { OnAdvanced(); });
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                             [this] { Help(); });
}

CVeskSdkPageSelCameras::~CVeskSdkPageSelCameras() = default;

void CVeskSdkPageSelCameras::OnInitDialog() {
  tarsel::ui::WaitCursor wait;
  for (const QString& model : TextsOf(m_sdk->GetCameraModelList()))
    m_list->addItem(new ModelItem(model));
  for (const QString& active : TextsOf(m_sdk->IsEnabled())) {
    if (QListWidgetItem* item = FindExact(active))
      item->setSelected(true);
    m_tickedAtStart.push_back(active);
  }
}

QListWidgetItem* CVeskSdkPageSelCameras::FindExact(const QString& text) const {
  for (int row = 0; row < m_list->count(); ++row) {
    if (m_list->item(row)->text().compare(text, Qt::CaseInsensitive) == 0)
      return m_list->item(row);
  }
  return nullptr;
}

void CVeskSdkPageSelCameras::OnApply() {
  std::vector<std::string> selected;
  bool anyNew = false;
  for (int row = 0; row < m_list->count(); ++row) {
    const QListWidgetItem* item = m_list->item(row);
    if (!item->isSelected())
      continue;
    selected.push_back(item->text().toStdString());
    anyNew = anyNew || !m_tickedAtStart.contains(item->text());
  }
  const std::string models = tarsel::vesk::MakeMultiString(selected);
  m_sdk->SaveCameraSelection(models.c_str());
  if (!anyNew)
    return;
  // The models are in the driver's list once it was refreshed: a second
  // apply of the same selection asks for no second refresh.
  m_tickedAtStart.clear();
  for (const std::string& model : selected)
    m_tickedAtStart.push_back(QString::fromStdString(model));
  RefreshDriver();
}

void CVeskSdkPageSelCameras::RefreshDriver() {
  if (!CheckDriverRegistered(m_context)) {
    if (!m_context.isAdministrator || !m_context.isAdministrator())
      tarsel::ui::AskUser(this, ids::IDS_DRIVER_CONFIGURATION_MISSING, tarsel::ui::Buttons::Ok,
                          tarsel::ui::Icon::Information);
    return;
  }
  RunDriverConfigAsAdmin(this, m_sdk, m_context);
}

bool CVeskSdkPageSelCameras::Apply() {
  return tarsel::ui::Guard(this, [this] { OnApply(); });
}

void CVeskSdkPageSelCameras::Help() {
  if (!m_help)
    m_help = std::make_unique<CHtmlHelp>();
  m_help->DisplayHelp(this, kHelpTopic);
}

void CVeskSdkPageSelCameras::OnAdvanced() {
  const QStringList installed = TextsOf(m_sdk->GetInstalledCameras());
  if (installed.isEmpty()) {
    tarsel::ui::AskUser(this, ids::IDS_NO_NEW_CAMERA_MODELS, tarsel::ui::Buttons::Ok,
                        tarsel::ui::Icon::Information);
    return;
  }
  for (const QString& cameraString : installed) {
    if (FindExact(cameraString))
      continue;
    CUnknownCamera dialog(cameraString, this);
    if (dialog.exec() != QDialog::Accepted)
      continue;
    const std::string identification = cameraString.toStdString();
    const std::string description = dialog.Description().toStdString();
    if (dialog.Use()) {
      auto* item = new ModelItem(dialog.Description());
      m_list->addItem(item);
      item->setSelected(true);
      emit changed();
      m_sdk->SaveUsedCameras(identification.c_str(), description.c_str(), true);
    } else if (dialog.NeverRemind()) {
      m_sdk->SaveUsedCameras(identification.c_str(), description.c_str(), false);
    }
  }
}
