// The suite's stand-in for the system's data-protection calls, which keep a
// small secret (a stored password) unreadable at rest: the bytes are sealed
// with AES-256-GCM under a random per-user key, together with the caller's
// description and optional entropy, which must match again to open them.
//
// The key is 32 random bytes in the file DataProtectionKeyPath() (created on
// the first protection, mode 0600 in a folder of mode 0700). A key file that
// is not a plain file owned by the user, or that the group or others may
// read or write, is refused (5): the key is only as secret as its file.
// Opening never creates a key; a blob this key did not seal, one altered by
// a single bit, or one sealed with other entropy fails (13).
//
// This protects a settings file that leaks or is shared, not a secret from
// code that runs as the same user (which can read the key file).
//
// Any thread. Results follow the system's calls: TRUE, or FALSE with the
// calling thread's last error set (87 bad arguments, 5 refused key file, 13
// a blob that cannot be opened, 2 no key yet, other Win32 numbers for file
// failures). Blocks handed out are freed with LocalFree, which wipes them.
#pragma once

#include "hostapi/Win32Types.h"
#include "tarselplatform_export.h"

#include <string>

struct DATA_BLOB {
  DWORD cbData = 0;
  BYTE* pbData = nullptr;
};

// No prompt is ever shown; the flag is accepted for the callers' sake.
inline constexpr DWORD CRYPTPROTECT_UI_FORBIDDEN = 0x1;

// Seals dataIn; description (UTF-16, may be null) and entropy (may be null)
// are bound to the blob. *dataOut receives a new block.
TARSELPLATFORM_EXPORT BOOL CryptProtectData(const DATA_BLOB* dataIn, const char16_t* description,
                                            const DATA_BLOB* optionalEntropy, void* reserved,
                                            void* promptStruct, DWORD flags, DATA_BLOB* dataOut);

// Opens a blob of CryptProtectData with the same entropy. *dataOut receives
// a new block holding the secret; *description (when not null) a new block
// holding the description with its terminating zero.
TARSELPLATFORM_EXPORT BOOL CryptUnprotectData(const DATA_BLOB* dataIn, char16_t** description,
                                              const DATA_BLOB* optionalEntropy, void* reserved,
                                              void* promptStruct, DWORD flags, DATA_BLOB* dataOut);

// Wipes and frees a block handed out above; null is allowed. Returns null.
TARSELPLATFORM_EXPORT void* LocalFree(void* block);

namespace tarsel::platform {

// $XDG_DATA_HOME/Tarsel/dataprotect.key ($HOME/.local/share when the
// variable is unset or relative).
TARSELPLATFORM_EXPORT std::string DataProtectionKeyPath();

} // namespace tarsel::platform
