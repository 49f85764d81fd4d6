// Fuzz target of the -CPFF= switch: any command-line text, quotes and
// separators in any order, parsed into the per-camera profile files.
#include "env/CommandLineCPFF.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A command-line argument ends at its first NUL.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const CCommandLineCPFF parsed(text.c_str());
  // Names and files are pieces of the text, never more than it.
  for (const auto& [camera, file] : parsed.Cameras())
    if (camera.size() + file.size() > text.size())
      std::abort();
  return 0;
}
