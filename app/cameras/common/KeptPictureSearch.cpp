#include "app/cameras/common/KeptPictureSearch.h"

namespace tarsel::cameras {

namespace {

bool NameAt(StoredPictures& pictures, std::int32_t index, const std::string& name) {
  pictures.select(index);
  return pictures.selectedName() == name;
}

} // namespace

std::int32_t FindKeptPicture(const CardPicture& picture, StoredPictures& pictures) {
  if (!picture.IsKnown())
    return 0;
  const std::int32_t count = pictures.count();
  if (picture.index <= count && NameAt(pictures, picture.index, picture.fileName))
    return picture.index;
  for (std::int32_t index = count; index >= 1; --index)
    if (index != picture.index && NameAt(pictures, index, picture.fileName))
      return index;
  return 0;
}

std::int32_t EraseKeptPicture(const CardPicture& picture, StoredPictures& pictures) {
  const std::int32_t index = FindKeptPicture(picture, pictures);
  if (index == 0)
    return 1;
  pictures.select(index);
  pictures.eraseSelected();
  return 0;
}

} // namespace tarsel::cameras
