// Reading the kernel's sysfs, the family's view of attached devices: the
// root is /sys, or $TARSEL_SYSFS_ROOT (tests put a tree of their own there).
//
// Threads: any. Failure: an attribute that cannot be read gives no value and
// the errno of the failure.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tarsel::vesk {

inline constexpr const char* kSysfsRootVariable = "TARSEL_SYSFS_ROOT";

std::string SysfsRoot();

// The attribute's text trimmed of white space (at most 260 bytes are read);
// none when it cannot be read, with the errno in *error when given.
std::optional<std::string> ReadSysfsAttribute(const std::filesystem::path& file, int* error = nullptr);

} // namespace tarsel::vesk
