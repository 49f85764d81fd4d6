#include "platform/ProfileText.h"

#include "platform/AsciiCase.h"

namespace tarsel::platform {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Walks the lines of a file's bytes: LF ends a line, one CR before it is
// dropped, a last line without LF still counts.
class LineReader {
public:
  explicit LineReader(std::string_view bytes) : m_bytes(bytes) {}

  bool next(std::string_view& line) {
    if (m_pos >= m_bytes.size())
      return false;
    std::size_t end = m_bytes.find('\n', m_pos);
    if (end == npos)
      end = m_bytes.size();
    line = m_bytes.substr(m_pos, end - m_pos);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    m_pos = end + 1;
    return true;
  }

private:
  std::string_view m_bytes;
  std::size_t m_pos = 0;
};

void appendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

void appendEntry(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append("=").append(value).append("\r\n");
}

} // namespace

// Where the first section named `app` lies, by line number.
struct ProfileText::SectionPlace {
  bool found = false;
  std::size_t header = 0;
  std::size_t lastContent = 0; // last non-blank line of the section (the header when none)
  bool keyFound = false;
  std::size_t keyLine = 0;
  std::string_view keyAsWritten;
};

std::string_view ProfileText::trimRight(std::string_view s) {
  while (!s.empty() && isBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string_view ProfileText::trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front()))
    s.remove_prefix(1);
  return trimRight(s);
}

ProfileText::Line ProfileText::classify(std::string_view raw) {
  Line info;
  // A NUL inside a line ends what a reader of C strings would see of it.
  info.text = trim(raw.substr(0, raw.find('\0')));
  if (info.text.empty())
    return info;
  if (info.text.front() == '[') {
    info.kind = LineKind::Section;
    std::string_view inner = info.text.substr(1);
    info.name = trim(inner.substr(0, inner.find(']')));
    return info;
  }
  if (info.text.front() == ';') {
    info.kind = LineKind::Comment;
    return info;
  }
  const std::size_t eq = info.text.find('=');
  if (eq == npos || trim(info.text.substr(0, eq)).empty()) {
    info.kind = LineKind::Other;
    return info;
  }
  info.kind = LineKind::Entry;
  info.name = trim(info.text.substr(0, eq));
  info.value = trim(info.text.substr(eq + 1));
  return info;
}

bool ProfileText::hasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != npos;
}

bool ProfileText::validSectionName(std::string_view app) {
  return !app.empty() && !hasLineBreak(app) && app.find(']') == npos;
}

bool ProfileText::validKey(std::string_view key) {
  return !key.empty() && !hasLineBreak(key) && key.find('=') == npos && key.front() != '[' &&
         key.front() != ';';
}

bool ProfileText::validSectionLine(std::string_view line) {
  const std::string_view text = trim(line);
  return !hasLineBreak(line) && (text.empty() || text.front() != '[');
}

void ProfileText::forEachLine(const LineVisitor& visit) const {
  LineReader reader(m_bytes);
  std::string_view raw;
  while (reader.next(raw)) {
    if (!visit(classify(raw)))
      return;
  }
}

bool ProfileText::forEachLineOfSection(std::string_view app, const LineVisitor& visit) const {
  LineReader reader(m_bytes);
  std::string_view raw;
  bool inside = false;
  while (reader.next(raw)) {
    const Line info = classify(raw);
    if (info.kind == LineKind::Section) {
      if (inside)
        return true;
      inside = equalsIgnoringAsciiCase(info.name, app);
      continue;
    }
    if (inside && !visit(info))
      return true;
  }
  return inside;
}

std::optional<std::string_view> ProfileText::value(std::string_view app, std::string_view key) const {
  std::optional<std::string_view> found;
  forEachLineOfSection(app, [&](const Line& info) {
    if (info.kind == LineKind::Entry && equalsIgnoringAsciiCase(info.name, key)) {
      found = info.value;
      return false;
    }
    return true;
  });
  return found;
}

std::optional<std::string> ProfileText::withoutSection(std::string_view app) const {
  std::string out;
  out.reserve(m_bytes.size() + 2);
  LineReader reader(m_bytes);
  std::string_view raw;
  bool skipping = false;
  bool removed = false;
  while (reader.next(raw)) {
    const Line info = classify(raw);
    if (info.kind == LineKind::Section)
      skipping = equalsIgnoringAsciiCase(info.name, app);
    removed = removed || skipping;
    if (!skipping)
      appendLine(out, raw);
  }
  if (!removed)
    return std::nullopt;
  return out;
}

ProfileText::SectionPlace ProfileText::locate(std::string_view app, std::string_view key) const {
  SectionPlace place;
  LineReader reader(m_bytes);
  std::string_view raw;
  bool inside = false;
  for (std::size_t index = 0; reader.next(raw); ++index) {
    const Line info = classify(raw);
    if (info.kind == LineKind::Section) {
      if (place.found)
        break;
      inside = equalsIgnoringAsciiCase(info.name, app);
      if (inside) {
        place.found = true;
        place.header = index;
        place.lastContent = index;
      }
      continue;
    }
    if (!inside)
      continue;
    if (info.kind != LineKind::Blank)
      place.lastContent = index;
    if (!place.keyFound && !key.empty() && info.kind == LineKind::Entry &&
        equalsIgnoringAsciiCase(info.name, key)) {
      place.keyFound = true;
      place.keyLine = index;
      place.keyAsWritten = info.name;
    }
  }
  return place;
}

std::optional<std::string> ProfileText::withoutKey(std::string_view app, std::string_view key) const {
  std::string out;
  out.reserve(m_bytes.size() + 2);
  LineReader reader(m_bytes);
  std::string_view raw;
  bool inside = false;
  bool done = false;
  bool removed = false;
  while (reader.next(raw)) {
    const Line info = classify(raw);
    if (info.kind == LineKind::Section) {
      inside = !done && equalsIgnoringAsciiCase(info.name, app);
      done = done || inside;
    } else if (inside && info.kind == LineKind::Entry && equalsIgnoringAsciiCase(info.name, key)) {
      // Every copy goes, so that a second line of the same key does not surface.
      removed = true;
      continue;
    }
    appendLine(out, raw);
  }
  if (!removed)
    return std::nullopt;
  return out;
}

std::string ProfileText::withKeySet(std::string_view app, std::string_view key,
                                    std::string_view value) const {
  const SectionPlace place = locate(app, key);
  std::string out;
  out.reserve(m_bytes.size() + app.size() + key.size() + value.size() + 8);
  LineReader reader(m_bytes);
  std::string_view raw;
  for (std::size_t index = 0; reader.next(raw); ++index) {
    if (place.keyFound && index == place.keyLine) {
      appendEntry(out, place.keyAsWritten, value);
      continue;
    }
    appendLine(out, raw);
    if (place.found && !place.keyFound && index == place.lastContent)
      appendEntry(out, key, value);
  }
  if (!place.found) {
    out.append("[").append(app).append("]\r\n");
    appendEntry(out, key, value);
  }
  return out;
}

std::string ProfileText::withSectionReplaced(std::string_view app,
                                             const std::vector<std::string_view>& lines) const {
  const SectionPlace place = locate(app, {});
  std::string out;
  std::size_t added = 0;
  for (std::string_view line : lines)
    added += line.size() + 2;
  out.reserve(m_bytes.size() + app.size() + added + 8);
  LineReader reader(m_bytes);
  std::string_view raw;
  for (std::size_t index = 0; reader.next(raw); ++index) {
    // The old lines go; blank lines after them (the gap before the next section) stay.
    if (place.found && index > place.header && index <= place.lastContent)
      continue;
    appendLine(out, raw);
    if (place.found && index == place.header) {
      for (std::string_view line : lines)
        appendLine(out, line);
    }
  }
  if (!place.found) {
    out.append("[").append(app).append("]\r\n");
    for (std::string_view line : lines)
      appendLine(out, line);
  }
  return out;
}

} // namespace tarsel::platform
