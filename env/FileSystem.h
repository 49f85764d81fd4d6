// File and folder tests and folder creation with the suite's semantics, on
// "/"-separated paths.
#pragma once

#include "TarselEnv_export.h"

#include <string>

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
