// The user's folders as the platform stand-ins find them: the home folder
// and the XDG base folders (an unset or relative variable is ignored, as the
// base-directory rules require). Any thread; nothing is created.
#pragma once

#include "tarselplatform_export.h"

#include <string>

namespace tarsel::platform {

// $HOME, else the password database's entry, else "/".
TARSELPLATFORM_EXPORT std::string homeFolder();

// The absolute value of `variable` (such as XDG_CONFIG_HOME), else the home
// folder + "/" + fallbackBelowHome (such as ".config").
TARSELPLATFORM_EXPORT std::string xdgBaseFolder(const char* variable, const char* fallbackBelowHome);

} // namespace tarsel::platform
