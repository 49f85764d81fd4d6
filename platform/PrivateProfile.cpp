#include "platform/PrivateProfile.h"

#include "platform/Win32Error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tarsel::platform::kMaxProfileFileBytes;

constexpr std::size_t npos = std::string_view::npos;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && isBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front()))
    s.remove_prefix(1);
  return trimRight(s);
}

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i]))
      return false;
  }
  return true;
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = lowerAscii(c);
  return out;
}

// ---- the file's lines -------------------------------------------------------

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

enum class LineKind { Blank, Section, Comment, Entry, Other };

struct LineInfo {
  LineKind kind = LineKind::Blank;
  std::string_view name;  // section name or key
  std::string_view value; // an entry's value
  std::string_view text;  // the whole line, trimmed
};

LineInfo classify(std::string_view raw) {
  LineInfo info;
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

// Calls fn(info) for each line of the first section named `app` until fn
// returns false; returns whether that section exists.
template <class Fn> bool forEachLineOfSection(std::string_view bytes, std::string_view app, Fn fn) {
  LineReader reader(bytes);
  std::string_view raw;
  bool inside = false;
  while (reader.next(raw)) {
    const LineInfo info = classify(raw);
    if (info.kind == LineKind::Section) {
      if (inside)
        return true;
      inside = equalsNoCase(info.name, app);
      continue;
    }
    if (inside && !fn(info))
      return true;
  }
  return inside;
}

bool findValue(std::string_view bytes, std::string_view app, std::string_view key, std::string_view& value) {
  bool found = false;
  forEachLineOfSection(bytes, app, [&](const LineInfo& info) {
    if (info.kind == LineKind::Entry && equalsNoCase(info.name, key)) {
      value = info.value;
      found = true;
      return false;
    }
    return true;
  });
  return found;
}

std::string_view withoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// ---- reading and writing whole files ----------------------------------------

enum class FileState { Read, Missing, Failed };

struct FileBytes {
  FileState state = FileState::Missing;
  std::string bytes;
  DWORD error = ERROR_SUCCESS;
};

FileBytes failedRead(DWORD error) {
  FileBytes f;
  f.state = FileState::Failed;
  f.error = error;
  return f;
}

FileBytes readWholeFile(const char* path) {
  if (!path || !*path)
    return FileBytes{};
  // Non-blocking, so a FIFO in the file's place cannot hang the caller.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0)
    return errno == ENOENT ? FileBytes{} : failedRead(Win32FromErrno(errno));
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};

  struct stat st {};
  if (fstat(fd, &st) != 0)
    return failedRead(Win32FromErrno(errno));
  if (S_ISDIR(st.st_mode))
    return failedRead(ERROR_ACCESS_DENIED);
  if (!S_ISREG(st.st_mode))
    return failedRead(ERROR_INVALID_PARAMETER);
  if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxProfileFileBytes)
    return failedRead(ERROR_NOT_ENOUGH_MEMORY);

  FileBytes f;
  f.bytes.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return failedRead(Win32FromErrno(errno));
    }
    if (n == 0)
      break;
    // The file may grow while it is read; the bound holds all the same.
    if (f.bytes.size() + static_cast<std::size_t>(n) > kMaxProfileFileBytes)
      return failedRead(ERROR_NOT_ENOUGH_MEMORY);
    f.bytes.append(chunk, static_cast<std::size_t>(n));
  }
  f.state = FileState::Read;
  return f;
}

std::string readableBytes(const char* path) {
  FileBytes f = readWholeFile(path);
  return f.state == FileState::Read ? std::move(f.bytes) : std::string();
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string temporaryName(const std::string& folder, const std::string& base) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 random{std::random_device{}()};
  // Keep the name short enough for the file system whatever the file's own name.
  return folder + "/." + base.substr(0, 64) + "." + std::to_string(getpid()) + "-" +
         std::to_string(counter++) + "-" + std::to_string(random() & 0xFFFFFFu) + ".tmp";
}

// Replaces the file with `text`: a temporary file beside it, flushed to disk,
// then renamed over it. A file that is a symbolic link is written where the
// link points, and keeps its permissions.
bool replaceFile(const char* path, std::string_view text) {
  std::string target = path;
  struct stat st {};
  if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* resolved = realpath(path, nullptr)) {
      target = resolved;
      std::free(resolved);
    }
  }
  const bool exists = stat(target.c_str(), &st) == 0;

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string base = slash == npos ? target : target.substr(slash + 1);

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = temporaryName(folder, base);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      break;
  }
  if (fd < 0) {
    // Like the system's own calls: a missing folder is a missing path.
    if (errno == ENOENT)
      SetLastError(ERROR_PATH_NOT_FOUND);
    else
      SetLastErrorFromErrno();
    return false;
  }

  bool ok = writeAll(fd, text) && (!exists || fchmod(fd, st.st_mode & 07777) == 0) && fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    SetLastError(Win32FromErrno(failure));
    return false;
  }
  // Make the rename itself durable; the file is already complete either way.
  const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return true;
}

std::mutex& writerMutex() {
  static std::mutex mutex;
  return mutex;
}

// Runs one change of a profile file: reads it, lets `change` build the new
// text (no value when there is nothing to change), and replaces the file
// when the text differs.
template <class Change> BOOL changeFile(const char* file, Change change) {
  std::lock_guard lock(writerMutex());
  FileBytes current = readWholeFile(file);
  if (current.state == FileState::Failed) {
    // Rewriting a file we could not read would lose what it holds.
    SetLastError(current.error);
    return FALSE;
  }
  const std::optional<std::string> changed = change(std::string_view(current.bytes));
  if (!changed || (current.state == FileState::Read && *changed == current.bytes))
    return TRUE;
  const std::string& text = *changed;
  if (text.size() > kMaxProfileFileBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return replaceFile(file, text) ? TRUE : FALSE;
}

void appendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append("\r\n");
}

// ---- checks of what callers write --------------------------------------------

bool hasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != npos;
}

bool validSectionName(std::string_view app) {
  return !app.empty() && !hasLineBreak(app) && app.find(']') == npos;
}

bool validKey(std::string_view key) {
  return !key.empty() && !hasLineBreak(key) && key.find('=') == npos && key.front() != '[' &&
         key.front() != ';';
}

bool validSectionLine(std::string_view line) {
  const std::string_view text = trim(line);
  return !hasLineBreak(line) && (text.empty() || text.front() != '[');
}

BOOL invalidArgument() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

// ---- the changes ------------------------------------------------------------

// Every section named `app`, header and lines, removed.
std::optional<std::string> withoutSection(std::string_view bytes, std::string_view app) {
  std::string out;
  out.reserve(bytes.size() + 2);
  LineReader reader(bytes);
  std::string_view raw;
  bool skipping = false;
  bool removed = false;
  while (reader.next(raw)) {
    const LineInfo info = classify(raw);
    if (info.kind == LineKind::Section)
      skipping = equalsNoCase(info.name, app);
    removed = removed || skipping;
    if (!skipping)
      appendLine(out, raw);
  }
  if (!removed)
    return std::nullopt;
  return out;
}

// Where the first section named `app` lies, by line number.
struct SectionPlace {
  bool found = false;
  std::size_t header = 0;
  std::size_t lastContent = 0; // last non-blank line of the section (the header when none)
  bool keyFound = false;
  std::size_t keyLine = 0;
  std::string_view keyAsWritten;
};

SectionPlace locate(std::string_view bytes, std::string_view app, std::string_view key) {
  SectionPlace place;
  LineReader reader(bytes);
  std::string_view raw;
  bool inside = false;
  for (std::size_t index = 0; reader.next(raw); ++index) {
    const LineInfo info = classify(raw);
    if (info.kind == LineKind::Section) {
      if (place.found)
        break;
      inside = equalsNoCase(info.name, app);
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
    if (!place.keyFound && !key.empty() && info.kind == LineKind::Entry && equalsNoCase(info.name, key)) {
      place.keyFound = true;
      place.keyLine = index;
      place.keyAsWritten = info.name;
    }
  }
  return place;
}

std::optional<std::string> withKeyDeleted(std::string_view bytes, std::string_view app,
                                          std::string_view key) {
  std::string out;
  out.reserve(bytes.size() + 2);
  LineReader reader(bytes);
  std::string_view raw;
  bool inside = false;
  bool done = false;
  bool removed = false;
  while (reader.next(raw)) {
    const LineInfo info = classify(raw);
    if (info.kind == LineKind::Section) {
      inside = !done && equalsNoCase(info.name, app);
      done = done || inside;
    } else if (inside && info.kind == LineKind::Entry && equalsNoCase(info.name, key)) {
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

std::optional<std::string> withKeySet(std::string_view bytes, std::string_view app, std::string_view key,
                                      std::string_view value) {
  const SectionPlace place = locate(bytes, app, key);
  std::string out;
  out.reserve(bytes.size() + app.size() + key.size() + value.size() + 8);
  LineReader reader(bytes);
  std::string_view raw;
  for (std::size_t index = 0; reader.next(raw); ++index) {
    if (place.keyFound && index == place.keyLine) {
      out.append(place.keyAsWritten).append("=").append(value).append("\r\n");
      continue;
    }
    appendLine(out, raw);
    if (place.found && !place.keyFound && index == place.lastContent)
      out.append(key).append("=").append(value).append("\r\n");
  }
  if (!place.found) {
    out.append("[").append(app).append("]\r\n");
    out.append(key).append("=").append(value).append("\r\n");
  }
  return out;
}

std::optional<std::string> withSectionReplaced(std::string_view bytes, std::string_view app,
                                               const std::vector<std::string_view>& lines) {
  const SectionPlace place = locate(bytes, app, {});
  std::string out;
  std::size_t added = 0;
  for (std::string_view line : lines)
    added += line.size() + 2;
  out.reserve(bytes.size() + app.size() + added + 8);
  LineReader reader(bytes);
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

// ---- results into the caller's buffer ---------------------------------------

DWORD copyText(std::string_view text, char* ret, DWORD size) {
  if (!ret || size == 0)
    return 0;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  if (n > 0)
    std::memcpy(ret, text.data(), n);
  ret[n] = '\0';
  return static_cast<DWORD>(n);
}

// Fills a NUL-separated list ended by a second NUL into the caller's buffer.
// Once an item does not fit, the list is cut there: the buffer ends with two
// NULs and the result is size - 2.
class ListWriter {
public:
  ListWriter(char* ret, DWORD size) : m_ret(ret), m_size(ret ? size : 0) {}

  // False once the buffer is full; later items are ignored.
  bool add(std::string_view item) {
    if (m_full)
      return false;
    if (m_used + item.size() + 2 <= m_size) {
      std::memcpy(m_ret + m_used, item.data(), item.size());
      m_used += item.size();
      m_ret[m_used++] = '\0';
      return true;
    }
    m_full = true;
    if (m_used + 2 < m_size)
      std::memcpy(m_ret + m_used, item.data(), m_size - 2 - m_used);
    return false;
  }

  DWORD finish() {
    if (m_size == 0)
      return 0;
    if (m_size == 1) {
      m_ret[0] = '\0';
      return 0;
    }
    if (m_full) {
      m_ret[m_size - 2] = '\0';
      m_ret[m_size - 1] = '\0';
      return static_cast<DWORD>(m_size - 2);
    }
    m_ret[m_used] = '\0';
    if (m_used == 0)
      m_ret[1] = '\0';
    return static_cast<DWORD>(m_used);
  }

private:
  char* m_ret;
  std::size_t m_size;
  std::size_t m_used = 0;
  bool m_full = false;
};

DWORD sectionNames(std::string_view bytes, char* ret, DWORD size) {
  ListWriter list(ret, size);
  std::unordered_set<std::string> seen;
  LineReader reader(bytes);
  std::string_view raw;
  while (reader.next(raw)) {
    const LineInfo info = classify(raw);
    if (info.kind != LineKind::Section || info.name.empty() || !seen.insert(lowered(info.name)).second)
      continue;
    if (!list.add(info.name))
      break;
  }
  return list.finish();
}

DWORD sectionKeys(std::string_view bytes, std::string_view app, char* ret, DWORD size) {
  ListWriter list(ret, size);
  std::unordered_set<std::string> seen;
  forEachLineOfSection(bytes, app, [&](const LineInfo& info) {
    if (info.kind != LineKind::Entry || !seen.insert(lowered(info.name)).second)
      return true;
    return list.add(info.name);
  });
  return list.finish();
}

// Reads an optional sign and leading decimal digits; 0 when there are none.
int leadingInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace

DWORD GetPrivateProfileStringA(const char* app, const char* key, const char* def, char* ret, DWORD size,
                               const char* file) {
  if (!ret || size == 0)
    return 0;
  const std::string bytes = readableBytes(file);
  if (!app)
    return sectionNames(bytes, ret, size);
  if (!key)
    return sectionKeys(bytes, trim(app), ret, size);
  std::string_view value;
  if (findValue(bytes, trim(app), trim(key), value))
    return copyText(withoutQuotes(value), ret, size);
  return copyText(def ? trimRight(def) : std::string_view(), ret, size);
}

UINT GetPrivateProfileIntA(const char* app, const char* key, int def, const char* file) {
  if (!app || !key)
    return static_cast<UINT>(def);
  const std::string bytes = readableBytes(file);
  std::string_view value;
  if (!findValue(bytes, trim(app), trim(key), value))
    return static_cast<UINT>(def);
  value = withoutQuotes(value);
  if (value.empty())
    return static_cast<UINT>(def);
  return static_cast<UINT>(leadingInteger(value));
}

DWORD GetPrivateProfileSectionA(const char* app, char* ret, DWORD size, const char* file) {
  if (!ret || size == 0)
    return 0;
  ListWriter list(ret, size);
  if (app) {
    const std::string bytes = readableBytes(file);
    forEachLineOfSection(bytes, trim(app), [&](const LineInfo& info) {
      return info.kind == LineKind::Blank || list.add(info.text);
    });
  }
  return list.finish();
}

DWORD GetPrivateProfileSectionNamesA(char* ret, DWORD size, const char* file) {
  if (!ret || size == 0)
    return 0;
  return sectionNames(readableBytes(file), ret, size);
}

BOOL WritePrivateProfileSectionA(const char* app, const char* lines, const char* file) {
  if (!file || !*file || !app)
    return invalidArgument();
  const std::string_view section = trim(app);
  if (!validSectionName(section))
    return invalidArgument();
  if (!lines)
    return changeFile(file, [&](std::string_view bytes) { return withoutSection(bytes, section); });

  std::vector<std::string_view> list;
  for (const char* p = lines; *p; p += std::strlen(p) + 1) {
    const std::string_view line(p);
    if (!validSectionLine(line))
      return invalidArgument();
    list.push_back(line);
  }
  return changeFile(file, [&](std::string_view bytes) { return withSectionReplaced(bytes, section, list); });
}

BOOL WritePrivateProfileStringA(const char* app, const char* key, const char* value, const char* file) {
  if (!file || !*file || !app)
    return invalidArgument();
  const std::string_view section = trim(app);
  if (!validSectionName(section))
    return invalidArgument();
  if (!key)
    return changeFile(file, [&](std::string_view bytes) { return withoutSection(bytes, section); });
  const std::string_view name = trim(key);
  if (!validKey(name))
    return invalidArgument();
  if (!value)
    return changeFile(file, [&](std::string_view bytes) { return withKeyDeleted(bytes, section, name); });
  const std::string_view text(value);
  if (hasLineBreak(text))
    return invalidArgument();
  return changeFile(file, [&](std::string_view bytes) { return withKeySet(bytes, section, name, text); });
}
