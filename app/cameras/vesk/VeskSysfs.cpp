#include "app/cameras/vesk/VeskSysfs.h"

#include "app/cameras/vesk/VeskTextLists.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace tarsel::vesk {

namespace {

// A USB product string has at most 126 characters; anything longer is not a
// device's and is cut here.
constexpr std::size_t kMaxAttributeBytes = 260;

} // namespace

std::string SysfsRoot() {
  const char* root = std::getenv(kSysfsRootVariable);
  return root && *root ? root : "/sys";
}

std::optional<std::string> ReadSysfsAttribute(const std::filesystem::path& file, int* error) {
  const auto fail = [&] {
    if (error)
      *error = errno;
    return std::nullopt;
  };
  const tarsel::platform::UniqueFd fd = tarsel::platform::openFile(file.string(), O_RDONLY | O_NONBLOCK);
  if (!fd.valid())
    return fail();
  // sysfs files report a size they do not have, so the read goes to the end.
  std::string bytes(kMaxAttributeBytes, '\0');
  std::size_t used = 0;
  while (used < bytes.size()) {
    const ssize_t got = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return fail();
    if (got == 0)
      break;
    used += static_cast<std::size_t>(got);
  }
  bytes.resize(used);
  return std::string(TrimWhiteSpace(bytes));
}

} // namespace tarsel::vesk
