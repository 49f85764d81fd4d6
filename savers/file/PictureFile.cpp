#include "savers/file/PictureFile.h"

#include "env/FileSystem.h"
#include "hostapi/IPictureFromCamera.h"

namespace tarsel::filesaver {

void WritePictureFile(const std::string& path, std::string_view bytes) {
  ReplaceWholeFile(path, bytes);
}

void WritePictureFile(const std::string& path, IPictureFromCamera& picture) {
  const std::shared_ptr<const IPictureFromCamera::Bytes> data = picture.GetDataSnapshot();
  if (!data) {
    WritePictureFile(path, std::string_view());
    return;
  }
  WritePictureFile(path, std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

} // namespace tarsel::filesaver
