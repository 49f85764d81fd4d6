// The text form of a hive file, read and written. The format, line by line:
//
//   TARSELREG 1              the first line, exactly
//   [A\B\C]                  starts key A\B\C (components joined by '\'); "[]" is the hive's root
//   "Name"=data              a value of the key started last; "" names the key's default value
//
// Blank lines and lines whose first non-blank byte is ';' are ignored; blanks
// (space, tab) before a line and blanks or CR after it are ignored.
// In a key component, '%' and every byte outside 0x20..0x7E are written as
// %XX (two hex digits). In a quoted name or text, '\' is written \\, '"' is
// written \", and every byte outside 0x20..0x7E is written \xNN (two hex
// digits); a reader also takes other bytes from 0x80 up as they stand.
// The data of a value is one of:
//   "text"          type 1 (REG_SZ): the bytes of text followed by one NUL byte
//   dword:XXXXXXXX  type 4 (REG_DWORD): exactly 8 hex digits, kept as 4 little-endian bytes
//   hex:bb,bb,...   type 3 (REG_BINARY): two hex digits per byte, separated by commas; "hex:" alone is
//                   no bytes
//   hex(N):bb,...   type N (1 to 8 hex digits) with those bytes
// and may be followed by blanks and then by ';' and a comment.
// A value line before any key line, or after a key line that did not parse,
// belongs to no key and is kept as it stands. A key named on several lines is one key
// (its ancestors exist too); a value named twice in one key keeps its first
// place and the data of its last line. Names compare with ASCII letters
// folded. Hex digits are read in either case.
//
// The writer puts keys in pre-order, sub-keys sorted by the bytes of their
// upper-cased names, each key on its own "[path]" line (the root's "[]" only
// when the root holds values), values in the order they were first set; a
// REG_SZ value whose data ends with a NUL byte is written as "text", a
// REG_DWORD of exactly 4 bytes as dword:, REG_BINARY as hex:, anything else as
// hex(N):.
//
// Reading never fails: a line that does not parse, or that breaks a limit of
// RegistryNames.h, is reported in `issues` and kept as it stands, like a
// comment line, in the key it appeared in; the writer puts kept lines back in
// their place among the key's values, so a rewrite loses none of them.
#pragma once

#include "platform/reg/RegistryKeyNode.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::reg {

struct RegistryParseIssue {
  std::size_t line = 0; // 1-based
  std::string reason;
  std::string text; // the line as it was read, kept as it stands
};

class RegistryTextFormat {
public:
  static constexpr std::string_view kHeader = "TARSELREG 1";

  static RegistryKeyNode parse(std::string_view text, std::vector<RegistryParseIssue>* issues = nullptr);

  // The whole hive below `root`.
  static std::string write(const RegistryKeyNode& root);
  // The key `node`, found at `path` (names as stored) below the hive's root,
  // and everything below it, with the header line.
  static std::string writeSubtree(const RegistryKeyNode& node, const std::vector<std::string>& path);

  // One value as its line in a key, without the line end: "Name"=data.
  static std::string valueLine(const RegistryValue& value);
  static std::string quote(std::string_view bytes);
  static std::string keyComponent(std::string_view name);

  // The value of one hex digit (either case), or -1.
  static int hexDigitValue(char c);
  // Two hex digits at text[pos]: the byte they give, or -1.
  static int hexByteAt(std::string_view text, std::size_t pos);
};

} // namespace tarsel::reg
