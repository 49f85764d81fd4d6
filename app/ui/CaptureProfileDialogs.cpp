#include "app/ui/CaptureProfileDialogs.h"

#include "app/core/CaptureProfileStorage.h"
#include "app/core/StringIds.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/ResText.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <string>

namespace tarsel::ui {

namespace {

constexpr DWORD kPathBuffer = 260;

QString lastFolder(ITarselSettings* settings) {
  const auto params = tarsel::settings::OpenPersistentParams(settings, true);
  if (!params)
    return {};
  char buffer[kPathBuffer] = {};
  DWORD size = sizeof buffer;
  if (params->GetLastUsedCaptureSettingsProfilePath(buffer, &size) != 0)
    return {};
  buffer[kPathBuffer - 1] = '\0';
  return QFile::decodeName(buffer);
}

void rememberFolder(ITarselSettings* settings, const QString& chosen) {
  const auto params = tarsel::settings::OpenPersistentParams(settings, false);
  if (!params)
    return;
  const QByteArray folder = QFile::encodeName(QFileInfo(chosen).absolutePath() + QLatin1Char('/'));
  params->SetLastUsedCaptureSettingsProfilePath(folder.constData());
}

// The chosen file, or the empty text when the user cancelled.
QString chooseFile(QWidget* owner, ITarselSettings* settings, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(owner, QString(), lastFolder(settings));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(
      QStringLiteral("%1 files (*.cpff)").arg(ResText(tarsel::core::ids::IDS_CAPTURE_PROFILE_FILES)));
  dialog.setDefaultSuffix(QStringLiteral("cpff"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().front();
}

} // namespace

bool SaveCaptureProfileFile(const CCaptureProfileStorage& storage, QWidget* owner,
                            ITarselSettings* settings) {
  const QString chosen = chooseFile(owner, settings, QFileDialog::AcceptSave);
  if (chosen.isEmpty())
    return false;
  storage.WriteFile(QFile::encodeName(chosen).constData());
  rememberFolder(settings, chosen);
  return true;
}

bool OpenCaptureProfileFile(CCaptureProfileStorage& storage, QWidget* owner, ITarselSettings* settings) {
  const QString chosen = chooseFile(owner, settings, QFileDialog::AcceptOpen);
  if (chosen.isEmpty())
    return false;
  storage.ReadFileAt(QFile::encodeName(chosen).toStdString());
  rememberFolder(settings, chosen);
  return true;
}

} // namespace tarsel::ui
