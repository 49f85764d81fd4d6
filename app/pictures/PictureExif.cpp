#include "app/pictures/PictureExif.h"

#include "hostapi/IPictureFromCamera.h"

#include <vector>

std::unique_ptr<CTiffBuffer> ExifBlockOf(IPictureFromCamera& picture) {
  const BYTE* block = nullptr;
  DWORD size = 0;
  bool copied = false;
  const bool found = picture.GetExifBlock(&block, &size, &copied);
  const std::unique_ptr<const BYTE[]> owned(copied ? block : nullptr);
  // A JPEG without an Exif marker answers with no block at all.
  if (!found || !block || size == 0)
    return nullptr;
  return std::make_unique<CTiffBuffer>(std::make_shared<const std::vector<BYTE>>(block, block + size));
}
