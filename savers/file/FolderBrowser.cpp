#include "savers/file/FolderBrowser.h"

#include "savers/file/FileSaverTexts.h"

#include <QFileDialog>

namespace tarsel::filesaver {

QString BrowseForFolder(QWidget* parent, const QString& current) {
  const QString chosen =
      QFileDialog::getExistingDirectory(parent, QString::fromLatin1(String(IDS_SELECT_FOLDER)), current,
                                        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  return chosen.isEmpty() ? current : chosen;
}

} // namespace tarsel::filesaver
