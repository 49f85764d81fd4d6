#include "app/cameras/canon/CanonCDCameraSelection.h"

#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int IDC_CAMERA_LIST = 2104;
constexpr int IDC_USE_NEXT_TIME = 2105;
constexpr const char* kHelpTopic = "05b_controlling_camera_info.htm";

} // namespace

CCanonCD_CameraSelection::CCanonCD_CameraSelection(CanonCDSDK_Wr* sdk, const CanonCameraList& cameras,
                                                   QWidget* parent)
    : QDialog(parent), m_sdk(sdk) {
  using tarsel::ui::NamedControl;
  setWindowTitle(QStringLiteral("Canon CD SDK Camera Selection"));
  auto* list = NamedControl(new QComboBox(this), IDC_CAMERA_LIST);
  auto* use =
      NamedControl(new QCheckBox(QStringLiteral("&Connect to this camera next time you run Tarsel"), this),
                   IDC_USE_NEXT_TIME);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  NamedControl(buttons->button(QDialogButtonBox::Ok), 1);
  NamedControl(buttons->button(QDialogButtonBox::Cancel), 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &CCanonCD_CameraSelection::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CCanonCD_CameraSelection::reject);
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                             [this] {
                               if (!m_help)
                                 m_help = std::make_unique<CHtmlHelp>();
                               m_help->DisplayHelp(this, kHelpTopic);
                             });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Select Canon SD camera to use:"), this));
  layout->addWidget(list);
  layout->addWidget(use);
  layout->addWidget(buttons);
  tarsel::ui::UseDialogFrame(this);

  m_choice = std::make_unique<CCanonCameraChoice>(list, use);
  bool stored = false;
  if (m_sdk)
    m_sdk->GetCameraNameList(nullptr, &stored);
  m_choice->Fill(cameras, m_sdk ? CCanonCameraChoice::StoredChoiceName(*m_sdk) : std::string(), stored);
}

CCanonCD_CameraSelection::~CCanonCD_CameraSelection() = default;

void CCanonCD_CameraSelection::accept() {
  tarsel::ui::Guard(this, [this] {
    if (m_sdk && m_choice->Save(*m_sdk))
      m_chosen = m_choice->SelectedPosition();
  });
  QDialog::accept();
}

int CCanonCD_CameraSelection::Choose(CanonCDSDK_Wr* sdk, const CanonCameraList& cameras) {
  // Not on the stack: a parent that closes meanwhile takes its child along.
  const QPointer<CCanonCD_CameraSelection> dialog =
      new CCanonCD_CameraSelection(sdk, cameras, QApplication::activeWindow());
  const int result = dialog->exec();
  const int chosen = dialog && result == QDialog::Accepted ? dialog->ChosenPosition() : -1;
  delete dialog.data();
  return chosen;
}
