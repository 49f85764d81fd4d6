#include "env/CommandLineCPFF.h"

#include "env/BrantelTakeError.h"
#include "env/FileSystem.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace tarsel::env {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace
} // namespace tarsel::env

using namespace tarsel::env;

CCommandLineCPFF::CCommandLineCPFF(const char* text) {
  try {
    if (!text)
      return;
    const char* p = text;
    if (*p == '-' || *p == '/')
      ++p;
    if (std::strncmp(p, "CPFF=", 5) != 0)
      return;
    p += 5;

    std::string file;
    std::string camera;
    bool cameraCurrent = false;
    bool quoting = false;

    auto endItem = [&] {
      // An item without a file is dropped; the first item for a camera and
      // the first item without one win.
      if (!file.empty()) {
        if (!camera.empty())
          m_cameras.emplace(camera, file);
        else if (m_default.empty())
          m_default = file;
      }
      file.clear();
      camera.clear();
      cameraCurrent = false;
    };

    for (; *p; ++p) {
      const char c = *p;
      std::string& current = cameraCurrent ? camera : file;
      if (quoting) {
        if (c == '"' && p[1] == '"') {
          current += '"';
          ++p;
        } else if (c == '"') {
          quoting = false;
        } else {
          current += c;
        }
        continue;
      }
      if (isBlank(c))
        break;
      if (c == '"')
        quoting = true;
      else if (c == '/')
        endItem();
      else if (c == ':' && !cameraCurrent)
        cameraCurrent = true;
      else
        current += c;
    }
    endItem();
  } catch (const std::bad_alloc&) {
    throw _brantel_take_error(ERROR_NOT_ENOUGH_MEMORY);
  }
}

bool CCommandLineCPFF::GetCPFFBuffer(ICaptureProfileStorage& storage, const char* camera) const {
  try {
    const std::string* file = &m_default;
    if (camera) {
      const auto found = m_cameras.find(camera);
      if (found != m_cameras.end())
        file = &found->second;
    }
    if (file->empty())
      return false;

    // Only a whole regular file of at most 4 MiB (its size checked before
    // reading); non-blocking, so a FIFO given by mistake cannot stall the start-up.
    tarsel::platform::ReadOptions options;
    options.maxBytes = kMaxCaptureProfileFileBytes;
    options.nonBlocking = true;
    const tarsel::platform::FileContents contents =
        tarsel::platform::readWholeFile(ExpandQuotedPath(*file), options);
    if (!contents.ok())
      return false;
    // The storage copies the bytes; even an empty string hands over a valid pointer.
    storage.SetData(contents.bytes.data(), static_cast<std::uint32_t>(contents.bytes.size()));
    return true;
  } catch (...) {
    return false;
  }
}
