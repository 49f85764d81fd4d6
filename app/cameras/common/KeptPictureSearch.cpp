#include "app/cameras/common/KeptPictureSearch.h"

namespace tarsel::cameras {

namespace {

constexpr std::int32_t kSearchDepth = 10000;

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
  // The count is the camera's word: look among the newest pictures only, a
  // bounded number of them, so a camera reporting nonsense costs little.
  const std::int32_t lowest = count > kSearchDepth ? count - kSearchDepth + 1 : 1;
  for (std::int32_t index = count; index >= lowest; --index)
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
