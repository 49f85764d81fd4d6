// The Exif block of a picture as a TIFF structure of its own: the block's
// bytes are copied, so the buffer outlives the picture's storage. Not yet
// parsed (Parse may throw on a damaged block). Null when the picture has no
// Exif block.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/TiffBuffer.h"

#include <memory>

class IPictureFromCamera;

TARSELPICTURES_EXPORT std::unique_ptr<CTiffBuffer> ExifBlockOf(IPictureFromCamera& picture);
