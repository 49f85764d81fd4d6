// The text of a profile (INI) file as lines: "[section]" headers, "key=value"
// entries, ";" comments, blank lines and lines the reader does not
// understand. Reads walk a view of the file's bytes (LF or CR LF line ends, a
// last line without LF counts, a NUL ends what is seen of its line); edits
// build the whole new text with CR LF line ends and keep every line they do
// not change as it stood. Sections and keys compare without regard to ASCII
// case; the first section of a name is the one that counts.
//
// A view over bytes the caller keeps alive; any thread may use its own.
// Nothing fails but allocation (std::bad_alloc).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::platform {

class ProfileText {
public:
  enum class LineKind { Blank, Section, Comment, Entry, Other };

  struct Line {
    LineKind kind = LineKind::Blank;
    std::string_view name;  // section name or key
    std::string_view value; // an entry's value
    std::string_view text;  // the whole line, trimmed
  };

  // Called for each line; false stops the walk.
  using LineVisitor = std::function<bool(const Line&)>;

  explicit ProfileText(std::string_view bytes) : m_bytes(bytes) {}

  static std::string_view trim(std::string_view s);
  static std::string_view trimRight(std::string_view s);
  static Line classify(std::string_view raw);

  // Whether what a caller writes keeps the file's line structure.
  static bool hasLineBreak(std::string_view s);
  static bool validSectionName(std::string_view app);
  static bool validKey(std::string_view key);
  static bool validSectionLine(std::string_view line);

  void forEachLine(const LineVisitor& visit) const;
  // The lines of the first section named `app`; whether that section exists.
  bool forEachLineOfSection(std::string_view app, const LineVisitor& visit) const;
  // The value of the first entry `key` in the first section named `app`.
  std::optional<std::string_view> value(std::string_view app, std::string_view key) const;

  // Every section named `app`, header and lines, removed; no value when there is none.
  std::optional<std::string> withoutSection(std::string_view app) const;
  // Every entry `key` of the first section `app` removed; no value when there is none.
  std::optional<std::string> withoutKey(std::string_view app, std::string_view key) const;
  // An existing key keeps its place and spelling, a new key goes after the
  // section's last non-blank line, a new section to the end.
  std::string withKeySet(std::string_view app, std::string_view key, std::string_view value) const;
  // The section's lines replaced (blank lines after them stay), or a new
  // section at the end.
  std::string withSectionReplaced(std::string_view app, const std::vector<std::string_view>& lines) const;

private:
  struct SectionPlace;
  SectionPlace locate(std::string_view app, std::string_view key) const;

  std::string_view m_bytes;
};

} // namespace tarsel::platform
