// Fuzz target of the private-profile text: any file contents, looked up,
// listed and rewritten. A look-up must agree with the section's listed lines,
// and every rewrite, read again, must hold what it was asked to write.
#include "platform/ProfileText.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

using tarsel::platform::ProfileText;

namespace {

bool sameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

void require(bool promise) {
  if (!promise)
    std::abort();
}

} // namespace

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
  // The value looked up is the first entry of that key the section lists.
  std::optional<std::string> listed;
  const bool found = text.forEachLineOfSection(firstSection, [&](const ProfileText::Line& line) {
    if (!listed && line.kind == ProfileText::LineKind::Entry && sameName(line.name, firstKey))
      listed = std::string(line.value);
    return true;
  });
  require(found);
  const auto looked = text.value(firstSection, firstKey);
  require(looked.has_value() == listed.has_value() && (!looked || *looked == *listed));

  const auto removed = text.withoutSection(firstSection);
  require(removed &&
          !ProfileText(*removed).forEachLineOfSection(firstSection, [](const auto&) { return true; }));
  const auto keyRemoved = text.withoutKey(firstSection, firstKey);
  require(keyRemoved.has_value() == listed.has_value());
  if (keyRemoved)
    require(!ProfileText(*keyRemoved).value(firstSection, firstKey));
  const std::string replacedText = text.withSectionReplaced(firstSection, {"a=1", "b=2"});
  const ProfileText replaced(replacedText);
  require(replaced.value(firstSection, "a") == "1" && replaced.value(firstSection, "b") == "2");
  if (!firstKey.empty() && ProfileText::validKey(firstKey)) {
    const std::string written = text.withKeySet(firstSection, firstKey, "fuzz");
    const auto read = ProfileText(written).value(firstSection, firstKey);
    require(read && *read == "fuzz");
  }
  return 0;
}
