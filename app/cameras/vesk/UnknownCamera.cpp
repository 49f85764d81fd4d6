#include "app/cameras/vesk/UnknownCamera.h"

#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr const char* kHelpTopic = "04c_automatic_detection_of_new_camer.htm";

} // namespace

CUnknownCamera::CUnknownCamera(const QString& cameraString, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Unknown Camera"));
  m_cameraString = tarsel::ui::NamedControl(new QLineEdit(cameraString, this), 1005);
  m_cameraString->setReadOnly(true);
  m_descriptionEdit = tarsel::ui::NamedControl(new QLineEdit(this), 1006);
  m_neverRemindBox = tarsel::ui::NamedControl(
      new QCheckBox(QStringLiteral("&Never remind me about this thing again"), this), 1007);
  m_useButton = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Use"), this), 1);
  auto* doNotUse = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Do not Use"), this), 1008);
  auto* cancel = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("Cancel"), this), 2);
  auto* help = tarsel::ui::NamedControl(new QPushButton(QStringLiteral("&Help"), this), tarsel::ui::IDC_HELP);
  m_useButton->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("Tarsel found something that looks like a camera that it does not know about."), this));
  layout->addWidget(new QLabel(QStringLiteral("Camera string is:"), this));
  layout->addWidget(m_cameraString);
  auto* useLabel = tarsel::ui::WrappedLabel(
      QStringLiteral("&If you believe this is a camera and wish to use it, enter its "
                     "description below and click \"Use\"."),
      this);
  useLabel->setBuddy(m_descriptionEdit);
  layout->addWidget(useLabel);
  layout->addWidget(m_descriptionEdit);
  layout->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("If you do not wish to use it with Tarsel, click \"Do not Use\"."), this));
  layout->addWidget(m_neverRemindBox);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {m_useButton, doNotUse, cancel, help})
    buttons->addWidget(button);
  layout->addLayout(buttons);

  connect(m_neverRemindBox, &QCheckBox::toggled, m_useButton,
          [this](bool never) { m_useButton->setEnabled(!never); });
  tarsel::ui::ConnectGuarded(m_useButton, &QPushButton::clicked, this, [this] { End(true); });
  tarsel::ui::ConnectGuarded(doNotUse, &QPushButton::clicked, this, [this] { End(false); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  const auto showHelp = [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(this, kHelpTopic);
  };
  tarsel::ui::ConnectGuarded(help, &QPushButton::clicked, this, showHelp);
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
                             showHelp);

  m_descriptionEdit->setFocus();
  m_descriptionEdit->selectAll();
}

CUnknownCamera::~CUnknownCamera() = default;

void CUnknownCamera::End(bool use) {
  m_description = m_descriptionEdit->text();
  if (m_description.isEmpty())
    m_description = m_cameraString->text();
  m_neverRemind = m_neverRemindBox->isChecked();
  m_use = use;
  accept();
}
