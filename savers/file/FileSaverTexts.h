// The file saver's texts: its string table (captions and questions) and the
// message table of its error facility 0x201, registered by SavInit.
#pragma once

#include "env/MessageTable.h"
#include "hostapi/Win32Types.h"

namespace tarsel::filesaver {

inline constexpr unsigned long kFacility = 0x201;
// Bad post-processing command line.
inline constexpr HRESULT kBadCommandLine = static_cast<HRESULT>(0x82010001u);

enum StringId : unsigned {
  IDS_CREATE_ROOT_FOLDER = 1,
  IDS_CAPTION = 2,
  IDS_SELECT_FOLDER = 3,
  IDS_FILE_EXISTS = 4,
  IDS_SAVE_FAILED = 5,
  IDS_BAD_COMMAND_LINE = 6,
  IDS_CREATE_TARGET_FOLDER = 7,
};

// The text of a string-table entry; "" for an unknown id.
const char* String(unsigned id);

const MessageTable& MessageTableOfModule();

} // namespace tarsel::filesaver
