// Directory texts of the FTP client: resolving a requested directory against
// the home directory, splitting a target into the part that exists (shared
// with the current directory) and the rest to create, and the quoted path of
// a 257 reply. Paths use "/"; components are compared whole.
#pragma once

#include "hostapi/Win32Types.h"

#include <string>
#include <string_view>

namespace tarsel::ftp {

// The absolute path of `requested` seen from `home` into `path`: 0, or
// 0x820207D2 for a request holding "..", a CR, an LF or a NUL.
HRESULT ResolveFtpPath(std::string_view home, std::string_view requested, std::string& path);

// `existing` := the leading components `current` and `target` share ("/"
// when none), `rest` := the components of `target` after them (relative).
// With an empty current directory, existing is empty and rest is the target.
void SplitExistingFtpPath(std::string_view current, std::string_view target, std::string& existing,
                          std::string& rest);

// The text between the first double quote of `reply` and the closing one; a
// doubled quote inside stands for one quote. Empty without a quote.
std::string ExtractQuotedPath(std::string_view reply);

} // namespace tarsel::ftp
