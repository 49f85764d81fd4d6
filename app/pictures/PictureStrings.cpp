#include "app/pictures/PictureStrings.h"

namespace tarsel::pictures {

const char* PictureString(unsigned id) {
  switch (id) {
  case IDS_UNKNOWN_IMAGE_TYPE:
    return "Unknown Image Type: 0x%X";
  case IDS_PICTURE_MAY_BE_SAVED:
    return "Picture file may be (or have been) saved as normal.";
  case IDS_PARSING_FAILED:
    return "Parsing of image failed; the image cannot be displayed.";
  case IDS_PANEL_SOURCE:
    return "Source:";
  case IDS_PANEL_ERROR:
    return "Error:";
  case IDS_PANEL_NOTE:
    return "NOTE:";
  default:
    return "";
  }
}

} // namespace tarsel::pictures
