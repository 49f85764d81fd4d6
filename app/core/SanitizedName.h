// Names that come from a camera or the user made safe as one component of a
// path: they can never name another folder or lead out of their own.
//
// Any thread; each call uses only its argument.
#pragma once

#include <string>
#include <string_view>

namespace tarsel::core {

// `text` with '/' and control characters replaced by '_'.
std::string SanitizedNamePart(std::string_view text);
// As SanitizedNamePart, and a name of dots only ("." or "..") has its dots
// replaced too, so it cannot name the folder itself or its parent.
std::string SanitizedPathComponent(std::string_view text);

} // namespace tarsel::core
