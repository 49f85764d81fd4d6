// The FTP saver's string table: the caption and the question it shows after
// a queued save failed.
#pragma once

namespace tarsel::ftpsaver {

enum StringId : unsigned {
  IDS_CAPTION = 1,
  IDS_CONTINUE_AFTER_ERROR = 2,
};

// The text of a string-table entry; "" for an unknown id.
const char* String(unsigned id);

} // namespace tarsel::ftpsaver
