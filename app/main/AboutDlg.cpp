#include "app/main/AboutDlg.h"

#include "app/main/StaticLink.h"
#include "env/HtmlHelp.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString controlName(int id) {
  return QStringLiteral("control%1").arg(id);
}

} // namespace

QUrl CAboutDlg::ProductPage() {
  return QUrl(QStringLiteral("https://tarsel.example.org/"));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About Tarsel"));

  auto* name = new QLabel(tr("Tarsel version %1").arg(QStringLiteral(TARSEL_VERSION_TEXT)), this);
  auto* purpose = new QLabel(tr("Remote control of digital still cameras"), this);
  auto* link = new CStaticLink(ProductPage().toString(), ProductPage(), this);
  link->setObjectName(controlName(IDC_WEB_LINK));

  auto* legal = new QPushButton(tr("&Legal Notices..."), this);
  legal->setObjectName(controlName(IDC_LEGAL));
  legal->setAutoDefault(false);
  connect(legal, &QPushButton::clicked, this, [this] { ShowHelpTopic(kLegalTopic); });

  auto* acknowledgements = new QPushButton(tr("&Acknowledgements..."), this);
  acknowledgements->setObjectName(controlName(IDC_ACKNOWLEDGEMENTS));
  acknowledgements->setAutoDefault(false);
  connect(acknowledgements, &QPushButton::clicked, this, [this] { ShowHelpTopic(kAcknowledgementsTopic); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* helpRow = new QHBoxLayout;
  helpRow->addWidget(legal);
  helpRow->addWidget(acknowledgements);
  helpRow->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(name);
  layout->addWidget(purpose);
  layout->addWidget(link);
  layout->addLayout(helpRow);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutDlg::~CAboutDlg() = default;

QWidget* CAboutDlg::GetDlgItem(int id) const {
  return findChild<QWidget*>(controlName(id));
}

void CAboutDlg::ShowHelpTopic(const char* topic) {
  if (!m_help)
    m_help = std::make_unique<CHtmlHelp>();
  m_help->DisplayHelp(this, topic);
}
