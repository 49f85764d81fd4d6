// File and folder tests and folder creation with the suite's semantics, on
// "/"-separated paths.
#pragma once

#include "TarselEnv_export.h"

#include <functional>
#include <string>
#include <string_view>

// True when `path` names an existing entry that is not a folder.
TARSELENV_EXPORT bool IsFileExist(const char* path);
// True when `path` names an existing folder.
TARSELENV_EXPORT bool IsDirExist(const char* path);
// Creates the folder and every missing parent; true on success (an empty or
// null path too). On failure the last error tells why.
TARSELENV_EXPORT bool MultiCreateDir(const char* path);
// Appends the path separator when the last character is not one; an empty
// path stays empty. Returns `path`.
TARSELENV_EXPORT std::string& AddTrailingBackslash(std::string& path);
// Removes one pair of enclosing double quotes, then expands environment
// variables (%NAME%, $NAME, ${NAME}) in the rest.
TARSELENV_EXPORT std::string ExpandQuotedPath(const std::string& text);
// Replaces the file at `path` with `bytes` so that it is either whole or as
// before: a temporary file in the same folder, flushed, then renamed over
// it. Throws _brantel_take_error (the failure's Win32 number, the path).
TARSELENV_EXPORT void ReplaceWholeFile(const std::string& path, std::string_view bytes);
// Writes `bytes` as a new file, whole or not at all as above, but never over
// a file: at `path` when no file has that name, else at the first free name
// of those `nextPath` gives for 1, 2 ... (an empty name ends the search), at
// most `names` names in all. Returns the path used. Throws
// _brantel_take_error (183 with `path` when every name was taken, else the
// failure's Win32 number).
TARSELENV_EXPORT std::string CreateWholeFile(const std::string& path, std::string_view bytes,
                                             const std::function<std::string(unsigned)>& nextPath,
                                             unsigned names);
// Removes the temporary files that the two calls above left in `folder` (a
// "/" at its end or not) when their writer was killed: only names of their
// own pattern, only regular files, and only when the process whose id the
// name holds is gone. Each folder is looked at once per process; failures
// are ignored.
TARSELENV_EXPORT void RemoveStaleTemporaryFiles(const std::string& folder);
