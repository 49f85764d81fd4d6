// The program's string table: the texts its windows, dialogs and camera
// families load by number (CResString). Texts hold printf-style fields
// where their users fill them in; "\n" is a line break.
#pragma once

#include "hostapi/Win32Types.h"

#include <span>

namespace tarsel::core {

struct ResourceString {
  UINT id;
  const char* text;
};

// The text of `id`, or null when the table has none.
const char* FindResourceString(UINT id);

// The whole table, ordered by id (for tests and tools).
std::span<const ResourceString> ResourceStringTable();

} // namespace tarsel::core
