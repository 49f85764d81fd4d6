// ASCII case folding for names that compare without regard to case (profile
// sections and keys, registry keys and values): only the letters A-Z and a-z
// fold, every other byte (UTF-8 included) stands as it is, so the result
// never depends on the user's locale.
#pragma once

#include "tarselplatform_export.h"

#include <string>
#include <string_view>

namespace tarsel::platform {

constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text with its ASCII letters upper-cased.
TARSELPLATFORM_EXPORT std::string asciiUpperCased(std::string_view text);

// Whether the two texts are equal once their ASCII letters are folded.
TARSELPLATFORM_EXPORT bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace tarsel::platform
