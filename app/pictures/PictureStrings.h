// The string ids of the picture classes' user-visible texts (named in
// app/core/StringIds.h); the texts are in the program's string table.
#pragma once

#include "app/core/ResourceStrings.h"
#include "app/core/StringIds.h"

namespace tarsel::pictures {

using core::ids::IDS_PANEL_ERROR;
using core::ids::IDS_PANEL_NOTE;
using core::ids::IDS_PANEL_SOURCE;
using core::ids::IDS_PARSING_FAILED;
using core::ids::IDS_PICTURE_MAY_BE_SAVED;
using core::ids::IDS_UNKNOWN_IMAGE_TYPE;

// The text of the id; "" for an id the table lacks.
inline const char* PictureString(unsigned id) {
  const char* text = tarsel::core::FindResourceString(id);
  return text ? text : "";
}

} // namespace tarsel::pictures
