// Reading and writing profile (INI) files with the private-profile calls'
// semantics: "[section]" headers and "key=value" lines, sections and keys
// compared without regard to ASCII case and kept as written, whitespace
// around keys and values trimmed, lines starting with ";" are comments.
// Files are read with LF or CR LF line ends and written with CR LF.
//
// Reads: a file that is missing or cannot be read behaves as an empty file.
// Lists (section names, keys, section lines) are NUL-separated and end with a
// second NUL. A result that does not fit is cut, always NUL-terminated, never
// past `size`: a single text then returns size - 1, a list size - 2.
//
// Writes: every change rewrites the whole file atomically (a temporary file
// in the same folder, flushed to disk, then renamed over the file), so a
// reader sees the old or the new file, never a part. Writers in every
// process are serialised by a lock on "<file>.lock", a file made beside the
// profile (with its permissions) and left there, so each change starts from
// the file as the last writer left it. Comment lines and lines the reader does not understand are
// kept in place. A write fails (FALSE, last error set) when the file exists
// but cannot be read, when it is larger than kMaxProfileFileBytes, or when an
// argument would break the file's line structure (ERROR_INVALID_PARAMETER).
//
// Paths are used as given; a relative path is taken from the current folder.
#pragma once

#include "hostapi/Win32Types.h"
#include "tarselplatform_export.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::platform {
class ProfileText;

// Profile files above this size are treated as unreadable.
inline constexpr std::size_t kMaxProfileFileBytes = std::size_t{16} * 1024 * 1024;

// A profile file read once, for several values of one version of it (a
// file replaced meanwhile gives all values of the old or all of the new).
class TARSELPLATFORM_EXPORT ProfileSnapshot {
public:
  explicit ProfileSnapshot(const char* file);
  // What GetPrivateProfileStringA gives for `app` and `key` with room for
  // the whole value.
  std::string value(const char* app, const char* key, const char* def = "") const;
  // What GetPrivateProfileIntA gives for `app` and `key`.
  UINT number(const char* app, const char* key, int def) const;

private:
  std::string m_bytes;
};

// Several writes to one profile file made as one change: from one reading of
// the file, under its lock, with one replacement, so a reader sees all of
// them or none. Each add refuses (false, last error set) what its single
// call below refuses; nothing is written then. `apply` fails as the single
// calls do and may be called again (after a failure, say).
class TARSELPLATFORM_EXPORT ProfileWrites {
public:
  ProfileWrites();
  ~ProfileWrites();
  ProfileWrites(const ProfileWrites&) = delete;
  ProfileWrites& operator=(const ProfileWrites&) = delete;

  // As WritePrivateProfileSectionA.
  bool replaceSection(const char* app, const char* lines);
  // As WritePrivateProfileStringA.
  bool setString(const char* app, const char* key, const char* value);
  BOOL apply(const char* file) const;

private:
  bool refuse();

  // One write: the new text, or none when it changes nothing.
  using Change = std::function<std::optional<std::string>(const ProfileText&)>;
  std::vector<Change> m_changes;
  bool m_refused = false;
};
} // namespace tarsel::platform

// The value of `key` in section `app`, with one pair of enclosing matching
// quotes removed; `def` (trailing blanks removed, null = "") when the key is
// missing. A null `app` gives the list of section names, a null `key` the
// list of the section's keys. Returns the characters written, NULs between
// list items counted, the final NUL not.
TARSELPLATFORM_EXPORT DWORD GetPrivateProfileStringA(const char* app, const char* key, const char* def,
                                                     char* ret, DWORD size, const char* file);

// The value of `key` read as an optional sign and leading decimal digits;
// `def` when the key is missing or its value empty, 0 when it does not start
// with a number. Values beyond the int range are clamped to it.
TARSELPLATFORM_EXPORT UINT GetPrivateProfileIntA(const char* app, const char* key, int def, const char* file);

// The non-blank lines of section `app` as written (trimmed at both ends).
TARSELPLATFORM_EXPORT DWORD GetPrivateProfileSectionA(const char* app, char* ret, DWORD size,
                                                      const char* file);

// The names of all sections, each once, in file order.
TARSELPLATFORM_EXPORT DWORD GetPrivateProfileSectionNamesA(char* ret, DWORD size, const char* file);

// Replaces the lines of section `app` with `lines` (NUL-separated, ended by a
// second NUL); a missing section is added at the end of the file. Null
// `lines` deletes the section.
TARSELPLATFORM_EXPORT BOOL WritePrivateProfileSectionA(const char* app, const char* lines, const char* file);

// Sets key=value in section `app`: an existing key keeps its place, a new key
// goes to the end of its section, a new section to the end of the file. A
// null `value` deletes the key, a null `key` deletes the whole section.
TARSELPLATFORM_EXPORT BOOL WritePrivateProfileStringA(const char* app, const char* key, const char* value,
                                                      const char* file);
