// The diagnostics report a user sends to support: a text file (CR LF lines)
// that grows by one section per report. A section is the dated line; the
// program's header (version, system, administrator) when this object has
// not written one yet or the file is new; then every family's diagnostics
// block followed by an empty line, in the order of the family list.
//
// Threads: user-interface thread. Failure: a file that cannot be opened or
// written throws _brantel_take_error with the Win32 number of the failure;
// nothing is written when it cannot be opened.
#pragma once

#include <QString>

#include <string>

class IBaseSDK_Wr;
class QWidget;

namespace tarsel::frame {

class DiagnosticsReport {
public:
  // Builds the whole section in memory and appends it in one write.
  void Write(const std::string& path, IBaseSDK_Wr* const* families, int count);

private:
  bool m_headerPending = true;
};

// The program's report: its header is written once per run, and again into
// each new file.
DiagnosticsReport& ProgramDiagnosticsReport();

// The save-file dialog of the report; the empty text when it was cancelled.
QString ChooseDiagnosticsFile(QWidget* owner);

} // namespace tarsel::frame
