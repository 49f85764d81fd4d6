// Fuzz target of the family's use-flag file "BRANTEL_SDK3.4": any file
// contents read as the list of enabled models. The list must be one the
// family's callers can walk (names ended by a NUL, a final NUL), no longer
// than the file, and each name must stand in the file before a "=".
#include "app/cameras/vesk/VeskActiveCameras.h"
#include "platform/testsupport/FuzzScratch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = tarsel::test::WriteFuzzScratchFile("BRANTEL_SDK3.4", data, size);
  const std::string list = tarsel::vesk::ReadActiveCameraList(file);
  if (list.empty())
    return 0;
  if (list.size() < 2 || list.size() > size + 2 || list[list.size() - 1] != '\0' ||
      list[list.size() - 2] != '\0')
    std::abort();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A name list: names up to the empty one, which must be the end.
  const char* name = list.c_str();
  for (; *name; name += std::strlen(name) + 1)
    if (std::strchr(name, '=') || bytes.find(std::string(name) + "=") == std::string_view::npos)
      std::abort();
  const std::size_t end = static_cast<std::size_t>(name - list.c_str()) + 1;
  if (end != list.size() && !(end == 1 && list.size() == 2))
    std::abort();
  return 0;
}
