// Fuzz target of the registry hive text: any file contents parsed (problems
// are reported, never fatal), written back and parsed again; the second
// writing must equal the first, so nothing is lost or changed by a rewrite.
#include "platform/reg/RegistryKeyNode.h"
#include "platform/reg/RegistryTextFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace tarsel::reg;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<RegistryParseIssue> issues;
  const RegistryKeyNode root = RegistryTextFormat::parse(text, &issues);
  const std::string written = RegistryTextFormat::write(root);
  const std::string again = RegistryTextFormat::write(RegistryTextFormat::parse(written));
  if (again != written)
    std::abort();
  return 0;
}
