// Fuzz target of the registry hive text: any file contents parsed (problems
// are reported, never fatal), written back and parsed again. The second
// writing must hold the same keys, values and kept lines in the same order as
// the first, so a rewrite neither loses nor changes anything; only blank lines
// and the line of the empty root key may come and go.
#include "platform/reg/RegistryKeyNode.h"
#include "platform/reg/RegistryTextFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace tarsel::reg;

namespace {

std::vector<std::string_view> contentLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (!line.empty() && line != "[]")
      lines.push_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<RegistryParseIssue> issues;
  const std::string written = RegistryTextFormat::write(RegistryTextFormat::parse(text, &issues));
  const std::string again = RegistryTextFormat::write(RegistryTextFormat::parse(written));
  if (contentLines(again) != contentLines(written))
    std::abort();
  return 0;
}
