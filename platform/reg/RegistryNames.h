// Names and paths of registry keys and values: ASCII case folding, splitting
// a sub-key path at backslashes, and the limits every name and value obeys.
#pragma once

#include "hostapi/Win32Types.h"
#include "platform/AsciiCase.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::reg {

inline constexpr std::size_t kMaxKeyNameLength = 255;     // bytes of one path component
inline constexpr std::size_t kMaxKeyDepth = 512;          // components from the hive's root
inline constexpr std::size_t kMaxValueNameLength = 16383; // bytes of a value name
inline constexpr std::size_t kMaxValueSize = 1024 * 1024; // bytes of a value's data
inline constexpr std::size_t kMaxHiveFileSize = 64u * 1024u * 1024u;

// The name with ASCII letters upper-cased; two names are the same when their
// folds are equal, and sub-keys sort by the bytes of their folds.
inline std::string foldName(std::string_view name) {
  return platform::asciiUpperCased(name);
}
inline bool sameName(std::string_view a, std::string_view b) {
  return platform::equalsIgnoringAsciiCase(a, b);
}

// Splits a sub-key path into its components. A single trailing backslash is
// ignored; an empty component, a component longer than kMaxKeyNameLength or
// more than `maxDepth` components give ERROR_INVALID_PARAMETER. An empty path
// gives no components.
LONG splitKeyPath(std::string_view path, std::size_t maxDepth, std::vector<std::string>& components);

} // namespace tarsel::reg
