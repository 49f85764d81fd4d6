// Fuzz target of the private-profile text: any file contents, looked up,
// listed and rewritten; a rewrite must keep what it did not touch readable.
#include "platform/ProfileText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using tarsel::platform::ProfileText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ProfileText text(bytes);
  std::string firstSection;
  std::string firstKey;
  text.forEachLine([&](const ProfileText::Line& line) {
    if (line.kind == ProfileText::LineKind::Section && firstSection.empty())
      firstSection = line.name;
    if (line.kind == ProfileText::LineKind::Entry && firstKey.empty())
      firstKey = line.name;
    return true;
  });
  if (firstSection.empty() || !ProfileText::validSectionName(firstSection))
    return 0;
  text.forEachLineOfSection(firstSection, [](const ProfileText::Line&) { return true; });
  text.value(firstSection, firstKey);
  text.withoutSection(firstSection);
  text.withoutKey(firstSection, firstKey);
  text.withSectionReplaced(firstSection, {"a=1", "b=2"});
  if (!firstKey.empty() && ProfileText::validKey(firstKey)) {
    const std::string written = text.withKeySet(firstSection, firstKey, "fuzz");
    const auto read = ProfileText(written).value(firstSection, firstKey);
    if (!read || *read != "fuzz")
      std::abort();
  }
  return 0;
}
