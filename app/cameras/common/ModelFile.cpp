#include "app/cameras/common/ModelFile.h"

#include "app/core/RangeItem.h"
#include "platform/FileIo.h"
#include "platform/PrivateProfile.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace tarsel::cameras {
namespace {

constexpr const char* kOldSection = "parameters";

void moveOldRange(const std::string& file, const char* minKey, const char* maxKey, const char* name) {
  const auto min = static_cast<std::int32_t>(GetPrivateProfileIntA(kOldSection, minKey, -1, file.c_str()));
  const auto max = static_cast<std::int32_t>(GetPrivateProfileIntA(kOldSection, maxKey, -1, file.c_str()));
  if (min == -1 && max == -1)
    return;
  CRangeItem(nullptr, name, min, max).SaveToIni(file.c_str());
  // The keys go only once their values are safe in the new section.
  for (const char* key : {minKey, maxKey})
    if (!WritePrivateProfileStringA(kOldSection, key, nullptr, file.c_str()))
      CRangeItem::ThrowSaveError();
}

[[noreturn]] void throwSaveError(int error) {
  SetLastError(Win32FromErrno(error));
  CRangeItem::ThrowSaveError();
}

// A folder of its own beside the model file, removed with what it holds.
class ScratchFolder {
public:
  explicit ScratchFolder(const std::string& file) {
    const std::size_t slash = file.find_last_of('/');
    std::string pattern =
        (slash == std::string::npos ? std::string(".") : file.substr(0, slash)) + "/.camd-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
      throwSaveError(errno);
    m_folder = name.data();
    m_file = m_folder + "/" + (slash == std::string::npos ? file : file.substr(slash + 1));
  }
  ~ScratchFolder() {
    ::unlink(m_file.c_str());
    ::unlink((m_file + ".lock").c_str());
    ::rmdir(m_folder.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& File() const { return m_file; }

private:
  std::string m_folder;
  std::string m_file;
};

} // namespace

void ReplaceModelFile(const std::string& file, const std::function<void(const std::string& scratch)>& write) {
  const ScratchFolder scratch(file);
  const platform::FileContents old =
      platform::readWholeFile(file, {platform::kMaxProfileFileBytes, true, false});
  if (old.ok()) {
    const platform::UniqueFd copy = platform::openFile(scratch.File(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (!copy.valid() || !platform::writeAll(copy.get(), old.bytes))
      throwSaveError(errno);
  } else if (old.status != platform::ReadStatus::Missing) {
    SetLastError(platform::win32ReadError(old));
    CRangeItem::ThrowSaveError();
  }
  write(scratch.File());
  const platform::UniqueFd written = platform::openFile(scratch.File(), O_RDONLY);
  if (!written.valid() || ::fsync(written.get()) != 0 || ::rename(scratch.File().c_str(), file.c_str()) != 0)
    throwSaveError(errno);
}

void MoveOldRanges(const std::string& file) {
  moveOldRange(file, "MinFocus", "MaxFocus", "Focus");
  moveOldRange(file, "MinZoom", "MaxZoom", "OpticalZoom");
}

} // namespace tarsel::cameras
