// The user-visible texts of the picture classes, by their string ids.
#pragma once

namespace tarsel::pictures {

enum PictureStringId : unsigned {
  IDS_UNKNOWN_IMAGE_TYPE = 61280,   // "Unknown Image Type: 0x%X"
  IDS_PICTURE_MAY_BE_SAVED = 61304, // explanation of picture errors
  IDS_PARSING_FAILED = 61305,
  IDS_PANEL_SOURCE = 61306,
  IDS_PANEL_ERROR = 61307,
  IDS_PANEL_NOTE = 61308,
};

// The text of the id; "" for an id that is not one of the above.
const char* PictureString(unsigned id);

} // namespace tarsel::pictures
