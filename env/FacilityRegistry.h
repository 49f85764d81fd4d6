// The process-wide registry of error facilities: which message table holds
// the texts of a facility's codes. Registering copies the table's rows, so a
// module unloaded without unregistering leaves nothing dangling. A second
// registration of a facility keeps the first. Thread-safe.
#pragma once

#include "TarselEnv_export.h"
#include "env/MessageTable.h"

#include <optional>
#include <string>

TARSELENV_EXPORT void RegisterFacility(unsigned long facility, const MessageTable& module);
TARSELENV_EXPORT void UnregisterFacility(unsigned long facility);

// TarselEnv's own message table (facility names and the texts of the
// facilities 0x101 to 0x107), for modules that register one of those
// facilities with it.
TARSELENV_EXPORT const MessageTable& TarselEnvMessageTable();

// The text of message `id` in the table registered for `facility`, formatted
// as the system's message formatter gives it ("%0" ends the text without a
// line end); no value when no table is registered or the id is not in it.
TARSELENV_EXPORT std::optional<std::string> FormatFacilityMessage(unsigned long facility, unsigned long id);

// TarselEnv's string table: 1 "Unknown Error", 2 "Unknown Facility", 3 "Windows".
TARSELENV_EXPORT const char* EnvString(unsigned id);
