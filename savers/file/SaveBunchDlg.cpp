#include "savers/file/SaveBunchDlg.h"

#include "env/ErrorReport.h"
#include "env/FileSystem.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"
#include "savers/common/SaverNaming.h"
#include "savers/file/FileSaverSettings.h"
#include "savers/file/FileSaverTexts.h"
#include "savers/file/FolderBrowser.h"
#include "savers/file/PictureFile.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace tarsel::filesaver;
using namespace tarsel::savers;

namespace {

constexpr int kMaxText = 260;

// The wait cursor while the series is written, restored on every path.
class BusyCursor {
public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

std::string textOf(const char* text) {
  return text ? std::string(text) : std::string();
}

} // namespace

CSaveBunchDlg::CSaveBunchDlg(QWidget* parent, ISaveInfo& info, IPictureFromCamera** pictures,
                             std::int32_t count, ITarselSettings* settings)
    : QDialog(parent), m_settings(settings), m_info(info), m_pictures(pictures), m_count(count),
      m_folder(new QLineEdit(this)), m_base(new QLineEdit(this)) {
  setWindowTitle(tr("Save Whole Series"));
  m_folder->setMaxLength(kMaxText - 1);
  m_base->setMaxLength(kMaxText - 1);
  auto* folderLabel = new QLabel(tr("Fol&der where all pictures will be saved:"), this);
  folderLabel->setBuddy(m_folder);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  auto* namesLabel = new QLabel(tr("&File names will be constructed as follows:"), this);
  namesLabel->setBuddy(m_base);
  auto* suffix = new QLineEdit(QStringLiteral("N.EXT"), this);
  suffix->setReadOnly(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto* layout = new QGridLayout(this);
  layout->addWidget(folderLabel, 0, 0, 1, 3);
  layout->addWidget(m_folder, 1, 0, 1, 2);
  layout->addWidget(browse, 1, 2);
  layout->addWidget(namesLabel, 2, 0, 1, 3);
  layout->addWidget(m_base, 3, 0);
  layout->addWidget(suffix, 3, 1);
  layout->addWidget(new QLabel(tr("N is the number within Series"), this), 4, 0, 1, 3);
  layout->addWidget(new QLabel(tr("EXT is the proper extension"), this), 5, 0, 1, 3);
  layout->addWidget(buttons, 6, 0, 1, 3);

  m_base->setText(QString::fromLocal8Bit(
      SeriesBase(textOf(m_info.GetFilePrefix()), m_info.GetCounter(), m_info.GetNumDigits()).c_str()));
  try {
    m_folder->setText(QString::fromLocal8Bit(FileSaverSettings::Load(settings).lastUsedSavePicDir.c_str()));
  } catch (...) {
    // No remembered folder: the user types or chooses one.
  }

  connect(buttons, &QDialogButtonBox::accepted, this, &CSaveBunchDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CSaveBunchDlg::reject);
  connect(browse, &QPushButton::clicked, this, [this] {
    try {
      m_folder->setText(BrowseForFolder(this, m_folder->text()));
    } catch (...) {
      ReportError(E_UNEXPECTED, this);
    }
  });
}

void CSaveBunchDlg::accept() {
  try {
    SaveSeries();
  } catch (const _brantel_take_error& error) {
    ReportError(error, this);
  } catch (...) {
    ReportError(E_UNEXPECTED, this);
  }
}

void CSaveBunchDlg::SaveSeries() {
  BusyCursor busy;
  std::string folder = QFile::encodeName(m_folder->text()).left(kMaxText - 1).toStdString();
  // The base names files in the chosen folder only.
  const std::string base = SafeNameComponent(m_base->text().toLocal8Bit().left(kMaxText - 1).toStdString());

  if (!IsDirExist(folder.c_str())) {
    QApplication::restoreOverrideCursor();
    const auto answer = QMessageBox::question(this, QString::fromLatin1(String(IDS_CAPTION)),
                                              QString::fromLatin1(String(IDS_CREATE_TARGET_FOLDER)),
                                              QMessageBox::Ok | QMessageBox::Cancel);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (answer != QMessageBox::Ok) {
      m_folder->setFocus();
      return;
    }
    if (!MultiCreateDir(folder.c_str()))
      ThrowError(static_cast<HRESULT>(GetLastError()), folder.c_str());
  }

  std::string directory = folder;
  AddTrailingBackslash(directory);
  const auto count = static_cast<std::size_t>(m_count);
  for (std::size_t i = 0; i < count; ++i) {
    IPictureFromCamera* picture = m_pictures[i];
    if (!picture)
      continue;
    const std::string path =
        directory + SafeNameComponent(base + SeriesNumber(i, count) + textOf(picture->GetExtension()));
    WritePictureFile(path, *picture);
  }

  SetNamingFromFileName(m_info, base.ends_with('_') ? base.substr(0, base.size() - 1) : base);
  if (folder != textOf(m_info.GetTargetFolder())) {
    m_info.SetTargetFolder(folder.c_str());
    StoreString(m_settings.get(), kLastUsedSavePicDir, folder);
  }
  QDialog::accept();
}
