// The folder of the running program's file, with a trailing separator.
#pragma once

#include <cstddef>

// A buffer of this size holds every folder GetProgramFolder gives.
inline constexpr std::size_t kProgramFolderSize = 261;

// Writes the folder (at most 260 characters and its NUL) into `buffer` of
// `size` bytes. When it cannot be found or does not fit, the buffer gets the
// empty text and the result is false. Any thread.
bool GetProgramFolder(char* buffer, std::size_t size);
