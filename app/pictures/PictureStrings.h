// The string ids of the picture classes' user-visible texts; the texts are
// in the program's string table.
#pragma once

#include "app/core/ResourceStrings.h"

namespace tarsel::pictures {

enum PictureStringId : unsigned {
  IDS_UNKNOWN_IMAGE_TYPE = 61280,   // "Unknown Image Type: 0x%X"
  IDS_PICTURE_MAY_BE_SAVED = 61304, // explanation of picture errors
  IDS_PARSING_FAILED = 61305,
  IDS_PANEL_SOURCE = 61306,
  IDS_PANEL_ERROR = 61307,
  IDS_PANEL_NOTE = 61308,
};

// The text of the id; "" for an id the table lacks.
inline const char* PictureString(unsigned id) {
  const char* text = tarsel::core::FindResourceString(id);
  return text ? text : "";
}

} // namespace tarsel::pictures
