#include "savers/file/PictureFile.h"

#include "env/FileSystem.h"
#include "hostapi/IPictureFromCamera.h"

namespace tarsel::filesaver {

namespace {

// What a writer killed while it saved into the folder of `path` left there.
void removeLeftovers(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  RemoveStaleTemporaryFiles(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
}

std::string_view bytesOf(const std::shared_ptr<const IPictureFromCamera::Bytes>& data) {
  if (!data)
    return {};
  return std::string_view(reinterpret_cast<const char*>(data->data()), data->size());
}

} // namespace

void WritePictureFile(const std::string& path, std::string_view bytes) {
  removeLeftovers(path);
  ReplaceWholeFile(path, bytes);
}

void WritePictureFile(const std::string& path, IPictureFromCamera& picture) {
  WritePictureFile(path, bytesOf(picture.GetDataSnapshot()));
}

std::string CreatePictureFile(const std::string& path, IPictureFromCamera& picture,
                              const std::function<std::string(unsigned)>& nextPath, unsigned names) {
  removeLeftovers(path);
  return CreateWholeFile(path, bytesOf(picture.GetDataSnapshot()), nextPath, names);
}

} // namespace tarsel::filesaver
