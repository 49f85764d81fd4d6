#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"

#include "app/cameras/dialogs/CameraDialogButtons.h"
#include "app/cameras/dialogs/CameraDialogJobs.h"
#include "app/cameras/dialogs/DownloadedPictureFile.h"
#include "app/core/StringIds.h"
#include "app/host/CameraWindow.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/ResText.h"
#include "app/ui/SavePicsFileExis.h"
#include "app/ui/UiGuard.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FileSystem.h"
#include "hostapi/ITarselPersistentParams.h"
#include "platform/Win32Error.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <cerrno>

namespace tarsel::dialogs {

namespace {

namespace ids = tarsel::core::ids;
using tarsel::ui::NamedControl;
using tarsel::ui::ResText;

constexpr const char* kHelpTopic = "05g_downloading_all_pictures.htm";
constexpr DWORD kPathBuffer = 260;

HWND HandleOf(QWidget* widget) {
  return static_cast<HWND>(widget);
}

QString LastFolder(ITarselSettings* settings) {
  if (const auto params = tarsel::settings::OpenPersistentParams(settings, true)) {
    char buffer[kPathBuffer] = {};
    DWORD size = sizeof buffer;
    if (params->GetLastDownloadDir(buffer, &size) == 0) {
      buffer[kPathBuffer - 1] = '\0';
      if (buffer[0])
        return QFile::decodeName(buffer);
    }
  }
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void RememberFolder(ITarselSettings* settings, const std::string& folder) {
  if (const auto params = tarsel::settings::OpenPersistentParams(settings, false))
    params->SetLastDownloadDir(folder.c_str());
}

// The save dialog's filter for a name's extension: "JPEG files (*.JPG)".
QString FilterFor(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos)
    return {};
  const QString extension = QString::fromStdString(name.substr(dot));
  const QString upper = extension.toUpper();
  const QString type = upper == QLatin1String(".TIF")   ? QStringLiteral("TIFF")
                       : upper == QLatin1String(".JPG") ? QStringLiteral("JPEG")
                                                        : extension.mid(1);
  // The file system tells cases apart: both spellings of the extension.
  return QStringLiteral("%1 files (*%2 *%3)").arg(type, extension.toUpper(), extension.toLower());
}

} // namespace

CDownloadAllPicturesDlg::CDownloadAllPicturesDlg(std::shared_ptr<IDownloadPicturesSource> source,
                                                 ICameraWindow* window, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_window(window),
      m_jobs(new CCameraDialogJobs(window, this)) {
  setWindowTitle(ResText(ids::IDS_DOWNLOAD_ALL_PICTURES) + QStringLiteral(" - ") +
                 QString::fromStdString(m_source->CameraName()));
  m_folderEdit = NamedControl(new QLineEdit(LastFolder(m_source->Settings()), this), IDC_FOLDER);
  m_folderLabel = NamedControl(new QLabel(QStringLiteral("Fol&der where all pictures will be saved:"), this),
                               IDC_FOLDER_LABEL);
  m_folderLabel->setBuddy(m_folderEdit);
  m_browse = NamedControl(new QPushButton(QStringLiteral("..."), this), IDC_BROWSE);
  m_delete =
      NamedControl(new QCheckBox(QStringLiteral("Delete downloaded pictures from camera"), this), IDC_DELETE);
  m_progress = NamedControl(new QProgressBar(this), IDC_PROGRESS);
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  m_status = NamedControl(new QLabel(this), IDC_STATUS);
  m_status->setAlignment(Qt::AlignCenter);

  const CameraDialogButtons buttons =
      AddCameraDialogButtons(this, QStringLiteral("Help"), tarsel::ui::IDC_HELP, kHelpTopic);
  m_ok = buttons.ok;
  tarsel::ui::ConnectGuarded(m_browse, &QPushButton::clicked, this, [this] { Browse(); });

  auto* grid = new QGridLayout;
  grid->addWidget(m_folderLabel, 0, 0, 1, 2);
  grid->addWidget(m_folderEdit, 1, 0);
  grid->addWidget(m_browse, 1, 1);
  grid->addWidget(m_delete, 2, 0, 1, 2);
  grid->addWidget(m_progress, 3, 0, 1, 2);
  grid->addWidget(m_status, 4, 0, 1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons.row);

  // Nothing starts before the camera told how many pictures it holds.
  m_ok->setEnabled(false);
  auto count = std::make_shared<std::int32_t>(0);
  if (!Queue([source = m_source, count] { *count = source->CountPictures(); },
             [this, count](HRESULT code) { OnOpened(code, *count); })) {
    QMetaObject::invokeMethod(
        this, [this] { OnOpened(static_cast<HRESULT>(ERROR_NOT_READY), 0); }, Qt::QueuedConnection);
  }
}

// A run ends only through Finish, which gives the window its takes back; a
// dialog destroyed during a run goes with its camera window.
CDownloadAllPicturesDlg::~CDownloadAllPicturesDlg() = default;

bool CDownloadAllPicturesDlg::Queue(std::function<void()> work, std::function<void(HRESULT)> done) {
  // Whatever fails on the way ends the run, so it never waits for nothing.
  return m_jobs->Run(std::move(work), [this, done = std::move(done)](HRESULT code) {
    try {
      done(code);
    } catch (const _brantel_take_error& error) {
      Finish(false, error.Error());
    } catch (...) {
      Finish(false, E_UNEXPECTED);
    }
  });
}

void CDownloadAllPicturesDlg::OnOpened(HRESULT code, std::int32_t count) {
  if (code != 0) {
    ReportError(code, HandleOf(this));
    QDialog::reject();
    return;
  }
  if (count <= 0) {
    tarsel::ui::AskUser(this, ids::IDS_NO_PICTURES_IN_CAMERA, tarsel::ui::Buttons::Ok,
                        tarsel::ui::Icon::Information);
    QDialog::reject();
    return;
  }
  m_count = count;
  m_ok->setEnabled(true);
}

void CDownloadAllPicturesDlg::accept() {
  if (!m_ok->isEnabled())
    return;
  if (m_running)
    RequestStop();
  else
    Start();
}

void CDownloadAllPicturesDlg::reject() {
  // During a run Cancel, Escape and the close box stop it; the dialog stays.
  if (m_running)
    RequestStop();
  else
    QDialog::reject();
}

void CDownloadAllPicturesDlg::Start() {
  QString folder = m_folderEdit->text();
  if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
    folder.chop(1);
  m_folderEdit->setText(folder);
  if (folder.isEmpty()) {
    m_folderEdit->setFocus();
    return;
  }
  const QByteArray path = QFile::encodeName(folder);
  if (!IsDirExist(path.constData())) {
    if (tarsel::ui::AskUser(this, ids::IDS_CREATE_TARGET_FOLDER, tarsel::ui::Buttons::OkCancel,
                            tarsel::ui::Icon::Question) != tarsel::ui::IDOK) {
      m_folderEdit->setFocus();
      return;
    }
    if (!MultiCreateDir(path.constData())) {
      const HRESULT code = static_cast<HRESULT>(Win32FromErrno(errno));
      const QByteArray text = ResText(ids::IDS_CANNOT_CREATE_FOLDER).toUtf8();
      ReportError(_brantel_take_error(code, text.constData()), HandleOf(this));
      return;
    }
  }
  m_folder = path.toStdString();
  m_running = true;
  m_stopRequested = false;
  m_copied = 0;
  m_ok->setText(ResText(ids::IDS_STOP));
  EnableControls(false);
  m_status->clear();
  RememberFolder(m_source->Settings(), m_folder);
  if (m_window)
    m_window->SetDownloading(true);
  // Counted afresh: a stopped run may have erased pictures.
  auto count = std::make_shared<std::int32_t>(0);
  if (!Queue([source = m_source, count] { *count = source->CountPictures(); },
             [this, count](HRESULT code) { OnCounted(code, *count); }))
    Finish(false, static_cast<HRESULT>(ERROR_NOT_READY));
}

void CDownloadAllPicturesDlg::RequestStop() {
  m_stopRequested = true;
  // The current picture finishes first; then the run ends and OK is "Start".
  m_ok->setEnabled(false);
}

void CDownloadAllPicturesDlg::OnCounted(HRESULT code, std::int32_t count) {
  if (code != 0) {
    Finish(false, code);
    return;
  }
  m_count = count;
  m_number = 1;
  m_handled = 0;
  m_applyToAll = false;
  m_lastChoice = Choice::Overwrite;
  m_progress->setRange(0, std::max(count, 1));
  m_progress->setValue(0);
  NextPicture();
}

void CDownloadAllPicturesDlg::NextPicture() {
  if (m_stopRequested || m_handled >= m_count) {
    Finish(!m_stopRequested);
    return;
  }
  m_progress->setValue(m_handled);
  auto picture = std::make_shared<StoredPicture>();
  const std::int32_t number = m_number;
  if (!Queue([source = m_source, picture, number] { *picture = source->Describe(number); },
             [this, picture](HRESULT code) { OnDescribed(code, *picture); }))
    Finish(false, static_cast<HRESULT>(ERROR_NOT_READY));
}

void CDownloadAllPicturesDlg::OnDescribed(HRESULT code, const StoredPicture& picture) {
  if (code != 0) {
    Finish(false, code);
    return;
  }
  const std::string name = SafePictureFileName(picture.fileName);
  m_status->setText(QString::fromStdString(name));
  const std::string path = m_folder + "/" + name;
  if (!IsFileExist(path.c_str())) {
    Download(path, picture.isProtected);
    return;
  }
  if (m_applyToAll && m_lastChoice != Choice::SaveAs) {
    if (m_lastChoice == Choice::Overwrite)
      Download(path, picture.isProtected);
    else
      Advance(false);
    return;
  }
  SavePicsFileExis question(QString::fromStdString(name), this);
  const int answer = question.ShowModal();
  m_applyToAll = question.IsApplyToAll();
  switch (answer) {
  case SavePicsFileExis::IDC_OVERWRITE:
    m_lastChoice = Choice::Overwrite;
    Download(path, picture.isProtected);
    return;
  case SavePicsFileExis::IDC_SKIP:
    m_lastChoice = Choice::Skip;
    Advance(false);
    return;
  case SavePicsFileExis::IDC_SAVE_AS: {
    m_lastChoice = Choice::SaveAs;
    std::string chosen;
    if (!AskSaveAs(name, &chosen)) {
      Advance(false);
      return;
    }
    m_status->setText(QString::fromStdString(chosen.substr(chosen.find_last_of('/') + 1)));
    Download(chosen, picture.isProtected);
    return;
  }
  default:
    m_stopRequested = true;
    Finish(false);
    return;
  }
}

bool CDownloadAllPicturesDlg::AskSaveAs(const std::string& name, std::string* path) {
  QFileDialog dialog(this, QString(), QString::fromStdString(m_folder), FilterFor(name));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.selectFile(QString::fromStdString(name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return false;
  *path = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
  return !path->empty();
}

void CDownloadAllPicturesDlg::Download(const std::string& path, bool isProtected) {
  auto picture = std::make_shared<CRefPtr<IPictureFromCamera>>();
  const std::int32_t number = m_number;
  if (!Queue([source = m_source, picture, number] { *picture = source->Download(number); },
             [this, picture, path, isProtected](HRESULT code) {
               OnDownloaded(code, picture->get(), path, isProtected);
             }))
    Finish(false, static_cast<HRESULT>(ERROR_NOT_READY), path);
}

void CDownloadAllPicturesDlg::OnDownloaded(HRESULT code, IPictureFromCamera* picture, const std::string& path,
                                           bool isProtected) {
  if (m_window)
    m_window->ShowLoadingPercent(-1);
  if (code == 0 && !picture)
    code = static_cast<HRESULT>(ERROR_INVALID_DATA);
  if (code != 0) {
    Finish(false, code, path);
    return;
  }
  const std::shared_ptr<const IPictureFromCamera::Bytes> bytes = picture->GetDataSnapshot();
  try {
    WritePictureFile(path, bytes ? bytes->data() : nullptr, bytes ? bytes->size() : 0,
                     PictureTakenTime(*picture));
  } catch (const _brantel_take_error& error) {
    Finish(false, error.Error(), path);
    return;
  }
  ++m_copied;
  if (!m_delete->isChecked()) {
    Advance(false);
    return;
  }
  bool unprotect = false;
  if (isProtected) {
    if (m_unprotectAnswer < 0) {
      m_unprotectAnswer = tarsel::ui::AskUser(this, ids::IDS_PROTECTED_PICTURES, tarsel::ui::Buttons::YesNo,
                                              tarsel::ui::Icon::Question) == tarsel::ui::IDYES
                              ? 1
                              : 0;
    }
    if (m_unprotectAnswer == 0) {
      Advance(false);
      return;
    }
    unprotect = true;
  }
  const std::int32_t number = m_number;
  if (!Queue([source = m_source, number, unprotect] { source->Erase(number, unprotect); },
             [this, path](HRESULT erased) { OnErased(erased, path); }))
    Finish(false, static_cast<HRESULT>(ERROR_NOT_READY), path);
}

void CDownloadAllPicturesDlg::OnErased(HRESULT code, const std::string& path) {
  if (code != 0) {
    Finish(false, code, path);
    return;
  }
  Advance(true);
}

void CDownloadAllPicturesDlg::Advance(bool erased) {
  if (!erased)
    ++m_number;
  ++m_handled;
  NextPicture();
}

void CDownloadAllPicturesDlg::Finish(bool complete, HRESULT error, const std::string& path) {
  if (m_window)
    m_window->SetDownloading(false);
  m_running = false;
  if (complete && error == 0) {
    QDialog::accept();
    return;
  }
  m_ok->setText(ResText(ids::IDS_START));
  m_ok->setEnabled(true);
  EnableControls(true);
  m_progress->setValue(0);
  m_status->setText(QStringLiteral("%1 of %2 pictures copied.").arg(m_copied).arg(m_count));
  if (error != 0)
    ReportError(_brantel_take_error(error, path.empty() ? nullptr : path.c_str()), HandleOf(this));
}

void CDownloadAllPicturesDlg::Browse() {
  const QString chosen =
      QFileDialog::getExistingDirectory(this, ResText(ids::IDS_SELECT_SAVE_FOLDER), m_folderEdit->text(),
                                        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (!chosen.isEmpty())
    m_folderEdit->setText(chosen);
}

void CDownloadAllPicturesDlg::EnableControls(bool enable) {
  for (QWidget* control : {static_cast<QWidget*>(m_folderLabel), static_cast<QWidget*>(m_folderEdit),
                           static_cast<QWidget*>(m_browse), static_cast<QWidget*>(m_delete)})
    control->setEnabled(enable);
}

} // namespace tarsel::dialogs
