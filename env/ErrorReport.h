// Showing errors to the user. While reporting is off (the main frame switches
// it on for as long as it exists) ReportError does nothing. The box itself is
// drawn by a hook that GUI programs install; without a hook the text goes to
// standard error.
#pragma once

#include "TarselEnv_export.h"
#include "env/BrantelTakeError.h"

#include <functional>
#include <string>

// Box icons, as the Windows message box styles name them.
enum class MessageBoxIcon { Information, Error };

// The hook draws one modal box: parent window (may be null), text, caption, icon.
using MessageBoxHook = std::function<void(HWND parent, const std::string& text, const std::string& caption,
                                          MessageBoxIcon icon)>;

// Installs the hook (an empty function removes it); returns the previous one.
TARSELENV_EXPORT MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// The error box: "Error: %s(0x%02x)\n%s" of message, code and explanation,
// captioned `caption` or "Tarsel", information icon for code 0, error icon else.
TARSELENV_EXPORT void ReportError(const _brantel_take_error& error, HWND parent = nullptr,
                                  const char* caption = nullptr);

// Builds _brantel_take_error(code), reports it as above and, when `out` is not
// null, assigns the built error (message filled in) to *out.
TARSELENV_EXPORT void ReportError(HRESULT code, HWND parent, _brantel_take_error* out = nullptr,
                                  const char* caption = nullptr);

// The line that opens an error-log entry and a diagnostics report section:
// the local date and time between two rows of asterisks, with CR LF.
TARSELENV_EXPORT std::string ReportSectionLine();
// The program's header of the error log and the diagnostics report: version,
// system, whether the user is an administrator, and an empty line.
TARSELENV_EXPORT std::string ReportProgramHeader();

// Appends one entry to ErrorLog.txt in the per-user data folder. Safe to call
// from several threads and processes at once; never throws.
TARSELENV_EXPORT void WriteErrorInfo(const char* text);
