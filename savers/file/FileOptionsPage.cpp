#include "savers/file/FileOptionsPage.h"

#include "env/FileSystem.h"
#include "hostapi/ISaverSettings.h"
#include "platform/Win32Error.h"
#include "savers/common/ReportFailures.h"
#include "savers/file/FileSaver.h"
#include "savers/file/FileSaverSettings.h"
#include "savers/file/FileSaverTexts.h"
#include "savers/file/FolderBrowser.h"
#include "savers/file/PostProcessCommand.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace tarsel::filesaver;
using tarsel::savers::ReportFailures;

namespace {

constexpr int kMaxText = 260;

QString caption() {
  return QString::fromLatin1(String(IDS_CAPTION));
}

} // namespace

CPropPage::CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet)
    : SaverPropPage(sheet, "File Options", "07d_file_options_tab.htm"), m_settings(settings),
      m_rootFolder(new QLineEdit(this)),
      m_doNotOverwrite(new QCheckBox(tr("&Do not overwrite files (just skip pictures)"), this)),
      m_commandLine(new QLineEdit(this)),
      m_waitForEnd(new QCheckBox(tr("&Wait for processing to finish before taking more pictures"), this)) {
  auto* rootLabel = new QLabel(tr("&Root Folder:"), this);
  rootLabel->setBuddy(m_rootFolder);
  m_rootFolder->setMaxLength(kMaxText - 1);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  auto* rootRow = new QHBoxLayout;
  rootRow->addWidget(m_rootFolder, 1);
  rootRow->addWidget(browse);

  auto* group = new QGroupBox(tr("Processing of pictures"), this);
  auto* about =
      new QLabel(tr("After saving pictures, Tarsel can pass them to some application for processing. "
                    "(This feature is only used when pictures are saved automatically, i.e. in "
                    "Multi-Camera or Time Lapse modes)."),
                 group);
  about->setWordWrap(true);
  auto* commandLabel = new QLabel(tr("&Enter application name and full command line here, using %s as a "
                                     "placeholder for picture file name:"),
                                  group);
  commandLabel->setWordWrap(true);
  commandLabel->setBuddy(m_commandLine);
  m_commandLine->setMaxLength(kMaxText - 1);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(about);
  groupLayout->addWidget(commandLabel);
  groupLayout->addWidget(m_commandLine);
  groupLayout->addWidget(m_waitForEnd);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rootLabel);
  layout->addLayout(rootRow);
  layout->addWidget(m_doNotOverwrite);
  layout->addWidget(group);
  layout->addStretch(1);

  ReportFailures(this, [this] { Load(); });

  connect(m_rootFolder, &QLineEdit::textEdited, this, &CPropPage::changed);
  connect(m_commandLine, &QLineEdit::textEdited, this, &CPropPage::changed);
  connect(m_doNotOverwrite, &QCheckBox::clicked, this, &CPropPage::changed);
  connect(m_waitForEnd, &QCheckBox::clicked, this, &CPropPage::changed);
  connect(browse, &QPushButton::clicked, this, [this] {
    ReportFailures(this, [this] {
      const QString chosen = BrowseForFolder(this, m_rootFolder->text());
      if (chosen != m_rootFolder->text()) {
        m_rootFolder->setText(chosen);
        emit changed();
      }
    });
  });
}

void CPropPage::Load() {
  const FileSaverSettings values = FileSaverSettings::Load(m_settings.get());
  // With no root folder stored the field shows the folder the saves go to.
  const QString shown = QString::fromLocal8Bit(LocationText(m_settings.get()).c_str());
  m_defaultFolder = values.rootDir.empty() ? shown : QString();
  m_rootFolder->setText(shown);
  m_doNotOverwrite->setChecked(values.doNotOverwrite);
  m_waitForEnd->setChecked(values.waitForProcessing);
  m_commandLine->setText(QString::fromLocal8Bit(values.externalCommand.c_str()));
}

bool CPropPage::ApplyValues() {
  const std::string command = m_commandLine->text().toLocal8Bit().left(kMaxText - 1).toStdString();
  // The default folder left as shown stays unstored: it follows the per-user data folder.
  const QString typed = m_rootFolder->text();
  const std::string root = !m_defaultFolder.isEmpty() && typed == m_defaultFolder
                               ? std::string()
                               : QFile::encodeName(typed).left(kMaxText - 1).toStdString();
  if (!IsValidCommandLine(command)) {
    QMessageBox::critical(this, caption(), QString::fromLatin1(String(IDS_BAD_COMMAND_LINE)));
    return false;
  }
  // An empty root means the per-user data folder: nothing to create.
  if (!root.empty() && !IsDirExist(AbsolutePath(root).c_str())) {
    if (QMessageBox::question(this, caption(), QString::fromLatin1(String(IDS_CREATE_ROOT_FOLDER)),
                              QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
      return false;
    if (!MultiCreateDir(AbsolutePath(root).c_str()))
      ThrowError(static_cast<HRESULT>(GetLastError()), root.c_str());
  }

  ISaverSettings* opened = nullptr;
  ThrowIfFailed(m_settings ? m_settings->GetSaverSettings(kSaverName, &opened, false) : E_POINTER);
  CRefPtr<ISaverSettings> key;
  key.Attach(opened);
  ThrowIfFailed(key->SetString(kRootDir, root.c_str()), kRootDir);
  ThrowIfFailed(key->SetBool(kDoNotOverwrite, m_doNotOverwrite->isChecked()), kDoNotOverwrite);
  ThrowIfFailed(key->SetString(kExternalCommand, command.c_str()), kExternalCommand);
  ThrowIfFailed(key->SetBool(kWaitForProcessing, m_waitForEnd->isChecked()), kWaitForProcessing);
  emit cancelToClose();
  return true;
}
