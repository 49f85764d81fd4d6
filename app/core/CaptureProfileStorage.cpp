#include "app/core/CaptureProfileStorage.h"

#include "env/BrantelTakeError.h"
#include "env/FileSystem.h"
#include "platform/EnvironmentStrings.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

std::unique_ptr<std::uint8_t[]> copyOf(const void* data, std::uint32_t length) {
  if (length == 0)
    return nullptr;
  std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[length]);
  if (!block)
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  std::memcpy(block.get(), data, length);
  return block;
}

} // namespace

void CCaptureProfileStorage::SetData(const void* data, std::uint32_t length) {
  if (!data)
    length = 0;
  m_data = copyOf(data, length);
  m_length = length;
}

const void* CCaptureProfileStorage::GetData(std::uint32_t& length) const {
  length = m_length;
  return m_data.get();
}

void CCaptureProfileStorage::ReadFile(const char* path) {
  if (!path || !*path)
    return;
  std::string_view text(path);
  if (!text.empty() && text.front() == '"')
    text.remove_prefix(1);
  if (!text.empty() && text.back() == '"')
    text.remove_suffix(1);
  ReadFileAt(ExpandEnvironmentStrings(text));
}

void CCaptureProfileStorage::ReadFileAt(const std::string& path) {
  // A file above 4 MiB is refused by its size (ERROR_NOT_ENOUGH_MEMORY) before it is read.
  tarsel::platform::ReadOptions options;
  options.maxBytes = tarsel::env::kMaxCaptureProfileFileBytes;
  options.nonBlocking = true;
  const tarsel::platform::FileContents contents = tarsel::platform::readWholeFile(path, options);
  if (contents.status == tarsel::platform::ReadStatus::Missing)
    throw _brantel_take_error(ERROR_FILE_NOT_FOUND, path.c_str());
  if (!contents.ok())
    throw _brantel_take_error(static_cast<HRESULT>(tarsel::platform::win32ReadError(contents)), path.c_str());
  SetData(contents.bytes.data(), static_cast<std::uint32_t>(contents.bytes.size()));
}

void CCaptureProfileStorage::WriteFile(const char* path) const {
  ReplaceWholeFile(path ? path : "", std::string_view(reinterpret_cast<const char*>(m_data.get()), m_length));
}
