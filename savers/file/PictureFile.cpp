#include "savers/file/PictureFile.h"

#include "env/BrantelTakeError.h"
#include "hostapi/IPictureFromCamera.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <atomic>

#include <unistd.h>

namespace tarsel::filesaver {

namespace {

std::atomic<unsigned> temporaryCount{0};

std::string temporaryPath(const std::string& path, int attempt) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  // Bounded, so that a long final name still leaves room for the suffix.
  const std::string name = path.substr(folder.size()).substr(0, 160);
  return folder + "." + name + ".tarsel-" + std::to_string(::getpid()) + "-" +
         std::to_string(temporaryCount.fetch_add(1)) + "-" + std::to_string(attempt) + ".tmp";
}

} // namespace

void WritePictureFile(const std::string& path, std::string_view bytes) {
  platform::ReplaceOptions options;
  options.temporaryPath = [&path](int attempt) { return temporaryPath(path, attempt); };
  options.attempts = 8;
  const platform::ReplaceResult result = platform::replaceFile(path, bytes, options);
  if (!result.ok())
    ThrowError(static_cast<HRESULT>(Win32FromErrno(result.error)), path.c_str());
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
