#include "savers/file/FileSaver.h"

#include "env/BrantelTakeError.h"
#include "env/CamStorageDir.h"
#include "env/FileSystem.h"
#include "env/FormatStdString.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"
#include "savers/common/SaverNaming.h"
#include "savers/common/UiThread.h"
#include "savers/file/FileSaverSettings.h"
#include "savers/file/FileSaverTexts.h"
#include "savers/file/PictureFile.h"
#include "savers/file/PostProcessCommand.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace tarsel::filesaver {

using namespace tarsel::savers;

namespace {

constexpr std::int32_t kNameBuffer = 260;

std::string textOf(const char* text) {
  return text ? std::string(text) : std::string();
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

QString qtText(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void DirectSave(ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings) {
  const FileSaverSettings values = FileSaverSettings::Load(settings);
  std::string base = textOf(info.GetTargetFolder());
  if (base.empty())
    base = values.rootDir;
  if (base.empty())
    base = CCamDataDir().GetPath();
  base = AbsolutePath(base);
  AddTrailingBackslash(base);

  std::string folder = base + SubFolderName(info);
  // A folder that cannot be made shows as the failure to create the file.
  MultiCreateDir(folder.c_str());
  AddTrailingBackslash(folder);

  const std::string path = folder + DirectSaveName(info, picture);
  const std::uint32_t counter = info.GetCounter();
  const bool numbered = IsNumberedDirectSave(info, picture);

  std::string saved = path;
  if (info.TakeOverwriteOnce() || (!numbered && !values.doNotOverwrite)) {
    WritePictureFile(path, picture);
  } else if (!numbered) {
    saved = CreatePictureFile(path, picture, {}, 1);
  } else {
    // A file of that number stays, whichever session saved it: the picture
    // takes the next free number, and the counter follows.
    try {
      saved = CreatePictureFile(
          path, picture,
          [&](unsigned index) {
            const std::string name = DirectSaveNameAfter(info, picture, counter, index);
            return name.empty() ? name : folder + name;
          },
          kMaxNumbersTried);
    } catch (...) {
      info.SetCounter(counter);
      throw;
    }
  }

  if (!values.externalCommand.empty())
    RunPostProcessCommand(values.externalCommand, saved, values.waitForProcessing);
  info.SetTargetFolder(base.c_str());
}

int InteractiveSave(QWidget* owner, ISaveInfo& info, IPictureFromCamera& picture, ITarselSettings* settings) {
  const std::string proposed = ProposedName(info, picture);
  const std::string target = textOf(info.GetTargetFolder());
  const std::string start = target.empty() ? FileSaverSettings::Load(settings).lastUsedSavePicDir : target;
  const QString extension = QString::fromLatin1(textOf(picture.GetExtension()).c_str());

  QFileDialog dialog(owner, QString(), qtText(start));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QStringLiteral("%1 files (*%2)")
                           .arg(QString::fromLatin1(textOf(picture.GetTypeName()).c_str()), extension));
  if (extension.startsWith(QLatin1Char('.')))
    dialog.setDefaultSuffix(extension.mid(1));
  dialog.selectFile(qtText(proposed));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return kSaverCancelled;

  const std::string path = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
  WritePictureFile(path, picture);
  picture.SetFileName(path.c_str());
  SetNamingFromFileName(info, path.substr(path.rfind('/') + 1));

  const std::string folder = folderOf(path);
  if (folder != target) {
    info.SetTargetFolder(folder.c_str());
    StoreString(settings, kLastUsedSavePicDir, folder);
  }
  return 0;
}

int ProcessError(QWidget* owner, ISaveInfo& info, const _brantel_take_error& error) {
  if (error.Error() == 0)
    return 0;
  if (!info.GetUiAllowed())
    return kSaverSkipPicture;

  std::string text;
  if (error.Error() == static_cast<HRESULT>(ERROR_ALREADY_EXISTS))
    FormatStdString(text, String(IDS_FILE_EXISTS), error.Explanation());
  else
    FormatStdString(text, String(IDS_SAVE_FAILED), error.ErrorMessage(), static_cast<unsigned>(error.Error()),
                    error.Explanation());

  int answer = QMessageBox::Cancel;
  const auto ask = [&] {
    answer = QMessageBox::question(owner, QString::fromLatin1(String(IDS_CAPTION)), qtText(text),
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  };
  if (!RunOnUserInterfaceThread(ask))
    return kSaverSkipPicture;

  switch (answer) {
  case QMessageBox::Yes:
    info.SetOverwriteOnce();
    return 0;
  case QMessageBox::No:
    return kSaverSkipPicture;
  default:
    return kSaverCancelled;
  }
}

std::string LocationText(ITarselSettings* settings) {
  std::string location = FileSaverSettings::Load(settings).rootDir;
  if (location.empty())
    location = CCamDataDir().GetPath();
  return location.substr(0, kNameBuffer - 1);
}

} // namespace tarsel::filesaver
