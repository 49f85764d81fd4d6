#include "env/CommandLineCPFF.h"

#include "env/BrantelTakeError.h"
#include "env/FileSystem.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarsel::env {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0)
      close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_fd; }

private:
  int m_fd;
};

// The whole content of a regular file, read in a bounded loop; false when the
// file cannot be opened, is not a regular file, is too large for the storage,
// or cannot be read to its end.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
  // Non-blocking open, so a FIFO given by mistake cannot stall the start-up.
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0)
    return false;
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    return false;
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > UINT32_MAX)
    return false;
  const auto size = static_cast<std::size_t>(st.st_size);
  bytes.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd.get(), bytes.data() + done, size - done);
    if (n < 0 && errno == EINTR)
      continue;
    // A file that shrank since fstat is a short read: that is a failure.
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
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

    std::vector<unsigned char> bytes;
    if (!readWholeFile(ExpandQuotedPath(*file), bytes))
      return false;
    // The storage copies the bytes; an empty file still hands over a valid pointer.
    static const unsigned char kNothing = 0;
    storage.SetData(bytes.empty() ? &kNothing : bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return true;
  } catch (...) {
    return false;
  }
}
