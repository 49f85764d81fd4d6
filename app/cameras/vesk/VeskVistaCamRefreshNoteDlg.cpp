#include "app/cameras/vesk/VeskVistaCamRefreshNoteDlg.h"

#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int IDC_DO_NOT_SHOW = 2107;
constexpr const char* kHelpTopic = "brantelvesk_sys.htm";

} // namespace

CVeskVistaCamRefreshNoteDlg::CVeskVistaCamRefreshNoteDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Select Camera Models"));
  auto* icon = new QLabel(this);
  icon->setPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  auto* texts = new QVBoxLayout;
  texts->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("Tarsel needs to refresh the camera list for BrantelVesk.sys driver."), this));
  texts->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral("Before pressing OK, make sure that all cameras you wish to use with "
                     "Tarsel are connected to this computer (or were connected in the "
                     "past)."),
      this));
  texts->addWidget(tarsel::ui::WrappedLabel(
      QStringLiteral(
          "The camera refresh requires elevation of user rights. Tarsel will launch application "
          "BrantelVeskConfig.exe that refreshes the cameras in the administrator\u2019s account. You "
          "may need to enter the administrator\u2019s password when prompted by Windows."),
      this));
  m_doNotShow = new QCheckBox(QStringLiteral("Do not show this dialog in the future"), this);
  m_doNotShow->setObjectName(tarsel::ui::ControlName(IDC_DO_NOT_SHOW));
  texts->addWidget(m_doNotShow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  tarsel::ui::ConnectGuarded(help, &QShortcut::activated, this, [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(this, kHelpTopic);
  });

  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

CVeskVistaCamRefreshNoteDlg::~CVeskVistaCamRefreshNoteDlg() = default;

bool CVeskVistaCamRefreshNoteDlg::DoNotShow() const {
  return m_doNotShow->isChecked();
}
