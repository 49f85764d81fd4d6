// The registry calls of the Windows API, over this suite's file-backed hives,
// so code written against them keeps its algorithm and its result codes.
// Every call returns a Win32 number (platform/Win32Error.h): 0 on success;
// 2 missing key or value; 5 access denied (the handle lacks the right, or the
// hive file cannot be written by this process); 6 not an open handle; 87 bad
// parameter (also an empty path component or one over 255 bytes); 234 buffer
// too small; 259 no more items; 1018 the handle's key was deleted;
// 1010/1012/1013 the hive file is unusable, unreadable or cannot be written.
//
// Names of keys and values compare with ASCII letters folded and keep the
// case they were created with. A sub-key path is split at '\'; one trailing
// '\' is ignored. Values keep exactly the bytes and type they were set with.
// Rights of a handle: KEY_QUERY_VALUE to query values or enumerate them and
// to query key information, KEY_SET_VALUE to set or delete values,
// KEY_CREATE_SUB_KEY to create a sub-key, KEY_ENUMERATE_SUB_KEYS to
// enumerate sub-keys; deleting keys needs a handle opened for writing
// (KEY_SET_VALUE, KEY_CREATE_SUB_KEY or DELETE 0x10000). The predefined handles have
// every right. Opening with KEY_SET_VALUE or KEY_CREATE_SUB_KEY, or creating,
// in a hive this process cannot write gives 5.
// Class names, security, volatile keys and last-write times are not kept.
//
// The hives: HKEY_CURRENT_USER is
// ${TARSEL_REGISTRY_DIR:-${XDG_CONFIG_HOME:-$HOME/.config}/drevant}/user.reg,
// HKEY_LOCAL_MACHINE is ${TARSEL_MACHINE_REGISTRY:-/etc/drevant/machine.reg}
// (a missing file is an empty hive); both are read from the environment when
// the hive is first used. Every call may be made from any thread; other
// processes may use the same hives at the same time.
#pragma once

#include "hostapi/Win32Types.h"
#include "tarselreg_export.h"

#include <cstdint>

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

// Value types.
enum : DWORD {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};

// Access rights.
enum : REGSAM {
  KEY_QUERY_VALUE = 0x0001,
  KEY_SET_VALUE = 0x0002,
  KEY_CREATE_SUB_KEY = 0x0004,
  KEY_ENUMERATE_SUB_KEYS = 0x0008,
  KEY_NOTIFY = 0x0010,
  KEY_READ = 0x20019,
  KEY_WRITE = 0x20006,
  KEY_ALL_ACCESS = 0xF003F,
};

// RegCreateKeyExA options and dispositions.
enum : DWORD {
  REG_OPTION_NON_VOLATILE = 0,
  REG_CREATED_NEW_KEY = 1,
  REG_OPENED_EXISTING_KEY = 2,
};

extern "C" {

TARSELREG_EXPORT LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam, HKEY* result);

// `options` must be REG_OPTION_NON_VOLATILE (else 87); `className` and
// `security` are ignored.
TARSELREG_EXPORT LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className,
                                      DWORD options, REGSAM sam, void* security, HKEY* result,
                                      DWORD* disposition);

// With `data` null and `cbData` set: 0 and the size. With a buffer smaller
// than the data: 234, *cbData = the size needed, the buffer untouched.
TARSELREG_EXPORT LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type,
                                       BYTE* data, DWORD* cbData);

TARSELREG_EXPORT LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                     const BYTE* data, DWORD cbData);

TARSELREG_EXPORT LONG RegDeleteValueA(HKEY key, const char* valueName);

// Deletes a sub-key that has no sub-keys of its own (5 when it has some).
TARSELREG_EXPORT LONG RegDeleteKeyA(HKEY key, const char* subKey);

// Deletes a sub-key with everything below it; with a null or empty sub-key,
// the values and sub-keys of `key` itself.
TARSELREG_EXPORT LONG RegDeleteTreeA(HKEY key, const char* subKey);

// Sub-keys in the order of their upper-cased names. *cchName is the buffer
// size in characters; on success the length of the name without its NUL.
TARSELREG_EXPORT LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* cchName, DWORD* reserved,
                                    char* className, DWORD* cchClass, FILETIME* lastWriteTime);

// Values in the order they were first set.
TARSELREG_EXPORT LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* cchValueName,
                                    DWORD* reserved, DWORD* type, BYTE* data, DWORD* cbData);

// Counts and longest lengths (names in characters without NUL, data in
// bytes); every out pointer may be null.
TARSELREG_EXPORT LONG RegQueryInfoKeyA(HKEY key, char* className, DWORD* cchClass, DWORD* reserved,
                                       DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values,
                                       DWORD* maxValueNameLen, DWORD* maxValueLen,
                                       DWORD* cbSecurityDescriptor, FILETIME* lastWriteTime);

TARSELREG_EXPORT LONG RegCloseKey(HKEY key);

} // extern "C"
