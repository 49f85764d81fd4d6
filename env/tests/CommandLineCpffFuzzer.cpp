// Fuzz target of the -CPFF= switch: any command-line text, quotes and
// separators in any order, parsed into the per-camera profile files. What
// was parsed, written again as a switch (every name quoted) and parsed once
// more, gives the same files for the same cameras; and that form is
// canonical, so writing the second parse gives the same text again.
#include "env/CommandLineCPFF.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// `text` in double quotes, a quote inside it doubled.
void AppendQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    out += c;
    if (c == '"')
      out += '"';
  }
  out += '"';
}

// The switch that names the default file first, then each camera's file.
std::string Written(const CCommandLineCPFF& parsed) {
  std::string text = "-CPFF=";
  if (!parsed.DefaultFile().empty())
    AppendQuoted(text, parsed.DefaultFile());
  for (const auto& [camera, file] : parsed.Cameras()) {
    text += '/';
    AppendQuoted(text, file);
    text += ':';
    AppendQuoted(text, camera);
  }
  return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A command-line argument ends at its first NUL.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const CCommandLineCPFF parsed(text.c_str());
  // Names and files are pieces of the text, never more than it, and an
  // item without a file names none.
  for (const auto& [camera, file] : parsed.Cameras())
    if (camera.size() + file.size() > text.size() || camera.empty() || file.empty())
      std::abort();
  const std::string written = Written(parsed);
  const CCommandLineCPFF again(written.c_str());
  if (again.Cameras() != parsed.Cameras() || again.DefaultFile() != parsed.DefaultFile() ||
      Written(again) != written)
    std::abort();
  return 0;
}
