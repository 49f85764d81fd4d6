#include "savers/file/FileSaverTexts.h"

#include <iterator>

namespace tarsel::filesaver {

namespace {

constexpr MessageTableRow kRows[] = {
    {0x02010000, "FILE%0"},
    {0x82010001,
     "Bad command line used for post-processing pictures.%r%rThere may be either exactly one lower case %%s "
     "in "
     "the command line or none at all - in the last case picture file name is appended at the end. %% signs "
     "other than %%s are not allowed.%r%rUse File tab of the Options dialog to fix the command line.\r\n"},
};

constexpr MessageTable kTable{kRows, std::size(kRows)};

} // namespace

const char* String(unsigned id) {
  switch (id) {
  case IDS_CREATE_ROOT_FOLDER:
    return "Folder does not exist - create?";
  case IDS_CAPTION:
    return "Tarsel";
  case IDS_SELECT_FOLDER:
    return "Select folder where pictures will be saved";
  case IDS_FILE_EXISTS:
    return "File %s exist.\n\nPress\tYes\tto overwrite\n\tNo\tto skip writing this picture and continue with "
           "others\n\tCancel\tto stop saving pictures.";
  case IDS_SAVE_FAILED:
    return "Error %s(0x%X) happened while saving file %s.\n\nPress\tYes\tto try again\n\tNo\tto skip writing "
           "this picture and continue with others\n\tCancel\tto stop taking pictures.";
  case IDS_BAD_COMMAND_LINE:
    return "There may be either exactly one %s in the command line or none at all - in the last case picture "
           "file name will be appended at the end.\n\n% signs other than %s are not allowed.  It must be a "
           "lower case s!";
  case IDS_CREATE_TARGET_FOLDER:
    return "Target folder not found. Create?";
  default:
    return "";
  }
}

const MessageTable& MessageTableOfModule() {
  return kTable;
}

} // namespace tarsel::filesaver
