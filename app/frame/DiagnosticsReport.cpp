#include "app/frame/DiagnosticsReport.h"

#include "app/core/IBaseSDK_Wr.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FileSystem.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <QFileDialog>

#include <cerrno>

#include <fcntl.h>

namespace tarsel::frame {

void DiagnosticsReport::Write(const std::string& path, IBaseSDK_Wr* const* families, int count) {
  std::string section = ReportSectionLine();
  if (m_headerPending || !IsFileExist(path.c_str())) {
    section += ReportProgramHeader();
    m_headerPending = false;
  }
  for (int i = 0; families && i < count; ++i) {
    std::string block;
    families[i]->GetDiagnosticText(&block, true);
    section += block + "\r\n";
  }
  const platform::UniqueFd file = platform::openFile(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (!file.valid())
    throw _brantel_take_error(static_cast<HRESULT>(Win32FromErrno(errno)));
  if (!platform::writeAll(file.get(), section))
    throw _brantel_take_error(static_cast<HRESULT>(Win32FromErrno(errno)));
}

DiagnosticsReport& ProgramDiagnosticsReport() {
  static DiagnosticsReport report;
  return report;
}

QString ChooseDiagnosticsFile(QWidget* owner) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // A name typed without an extension gets ".diag".
  dialog.setDefaultSuffix("diag");
  dialog.setNameFilters({"Tarsel Diagnostics (*.cdgn)", "Text Files (*.txt)"});
  dialog.selectFile("TarselDiag.cdgn");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return dialog.selectedFiles().constFirst();
}

} // namespace tarsel::frame
