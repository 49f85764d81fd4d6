#include "app/cameras/common/ModelFile.h"

#include "app/core/RangeItem.h"
#include "platform/FileIo.h"
#include "platform/PrivateProfile.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace tarsel::cameras {
namespace {

constexpr const char* kOldSection = "parameters";

struct OldRange {
  const char* minKey;
  const char* maxKey;
  const char* name;
};

constexpr OldRange kOldRanges[] = {{"MinFocus", "MaxFocus", "Focus"}, {"MinZoom", "MaxZoom", "OpticalZoom"}};

// The pair's values; false when neither key holds one other than -1.
bool readOldRange(const std::string& file, const OldRange& range, std::int32_t& min, std::int32_t& max) {
  min = static_cast<std::int32_t>(GetPrivateProfileIntA(kOldSection, range.minKey, -1, file.c_str()));
  max = static_cast<std::int32_t>(GetPrivateProfileIntA(kOldSection, range.maxKey, -1, file.c_str()));
  return min != -1 || max != -1;
}

void moveOldRange(const std::string& file, const OldRange& range) {
  std::int32_t min = -1;
  std::int32_t max = -1;
  if (!readOldRange(file, range, min, max))
    return;
  CRangeItem(nullptr, range.name, min, max).SaveToIni(file.c_str());
  // The keys go only once their values are safe in the new section.
  for (const char* key : {range.minKey, range.maxKey})
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
  std::int32_t min = -1;
  std::int32_t max = -1;
  const bool any = std::any_of(std::begin(kOldRanges), std::end(kOldRanges),
                               [&](const OldRange& range) { return readOldRange(file, range, min, max); });
  // A file in the newer form is left alone; an older one is rewritten whole,
  // so no writer's lock file stays beside it.
  if (!any)
    return;
  ReplaceModelFile(file, [](const std::string& scratch) {
    for (const OldRange& range : kOldRanges)
      moveOldRange(scratch, range);
  });
}

} // namespace tarsel::cameras
