// Reading a string value of a saver's settings key the way both saver
// plug-ins do: ask for the size first, then read into a buffer of that size.
// Any thread.
#pragma once

#include <string>

class ISaverSettings;

namespace tarsel::savers {

// The value, or "" when it is missing, of another type or cannot be read.
std::string ReadString(ISaverSettings& key, const char* name);

} // namespace tarsel::savers
