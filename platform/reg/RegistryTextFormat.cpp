#include "platform/reg/RegistryTextFormat.h"

#include "platform/reg/RegistryNames.h"

#include <cstdint>

namespace tarsel::reg {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kHexUpper[] = "0123456789ABCDEF";

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool isPrintable(unsigned char c) {
  return c >= 0x20 && c <= 0x7E;
}

void appendHexByte(std::string& out, unsigned char b, const char* digits) {
  out += digits[b >> 4];
  out += digits[b & 0x0F];
}

// Reads a quoted name or text starting at s[pos] == '"'; pos ends after the
// closing quote.
bool readQuoted(std::string_view s, std::size_t& pos, std::size_t maxBytes, std::string& out,
                std::string& why) {
  if (pos >= s.size() || s[pos] != '"') {
    why = "expected a quoted text";
    return false;
  }
  ++pos;
  while (pos < s.size()) {
    const char c = s[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      const char next = pos + 1 < s.size() ? s[pos + 1] : '\0';
      if (next == '\\' || next == '"') {
        out += next;
        pos += 2;
      } else if (next == 'x') {
        const int b = RegistryTextFormat::hexByteAt(s, pos + 2);
        if (b < 0) {
          why = "bad \\x escape";
          return false;
        }
        out += static_cast<char>(b);
        pos += 4;
      } else {
        why = "unknown escape";
        return false;
      }
    } else {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x20 || u == 0x7F) {
        why = "control byte in a quoted text";
        return false;
      }
      out += c;
      ++pos;
    }
    if (out.size() > maxBytes) {
      why = "quoted text too long";
      return false;
    }
  }
  why = "missing closing quote";
  return false;
}

// Reads "bb,bb,..." up to the end of the data.
bool readHexBytes(std::string_view s, std::size_t& pos, std::string& out, std::string& why) {
  if (pos >= s.size() || isBlank(s[pos]) || s[pos] == ';')
    return true;
  for (;;) {
    const int b = RegistryTextFormat::hexByteAt(s, pos);
    if (b < 0) {
      why = "bad hex byte";
      return false;
    }
    if (out.size() >= kMaxValueSize) {
      why = "value too large";
      return false;
    }
    out += static_cast<char>(b);
    pos += 2;
    if (pos >= s.size() || s[pos] != ',')
      return true;
    ++pos;
  }
}

bool readValueData(std::string_view s, std::size_t& pos, DWORD& type, std::string& data, std::string& why) {
  const std::string_view rest = s.substr(pos);
  if (rest.starts_with('"')) {
    if (!readQuoted(s, pos, kMaxValueSize - 1, data, why))
      return false;
    data += '\0';
    type = 1;
    return true;
  }
  if (rest.starts_with("dword:")) {
    pos += 6;
    DWORD v = 0;
    for (int i = 0; i < 8; ++i) {
      const int d = pos < s.size() ? RegistryTextFormat::hexDigitValue(s[pos]) : -1;
      if (d < 0) {
        why = "dword: needs 8 hex digits";
        return false;
      }
      v = v << 4 | static_cast<DWORD>(d);
      ++pos;
    }
    if (pos < s.size() && RegistryTextFormat::hexDigitValue(s[pos]) >= 0) {
      why = "dword: needs 8 hex digits";
      return false;
    }
    for (int i = 0; i < 4; ++i)
      data += static_cast<char>((v >> (8 * i)) & 0xFF);
    type = 4;
    return true;
  }
  if (rest.starts_with("hex:")) {
    pos += 4;
    type = 3;
    return readHexBytes(s, pos, data, why);
  }
  if (rest.starts_with("hex(")) {
    pos += 4;
    DWORD t = 0;
    int digits = 0;
    while (pos < s.size() && s[pos] != ')') {
      const int d = RegistryTextFormat::hexDigitValue(s[pos]);
      if (d < 0 || ++digits > 8) {
        why = "bad type in hex(N)";
        return false;
      }
      t = t << 4 | static_cast<DWORD>(d);
      ++pos;
    }
    if (digits == 0 || pos + 1 >= s.size() || s[pos] != ')' || s[pos + 1] != ':') {
      why = "bad hex(N): prefix";
      return false;
    }
    pos += 2;
    type = t;
    return readHexBytes(s, pos, data, why);
  }
  why = "unknown value data";
  return false;
}

// Decodes one key component of a "[path]" line.
bool readKeyComponent(std::string_view part, std::string& out, std::string& why) {
  for (std::size_t i = 0; i < part.size(); ++i) {
    const auto u = static_cast<unsigned char>(part[i]);
    if (part[i] == '%') {
      const int b = RegistryTextFormat::hexByteAt(part, i + 1);
      if (b < 0) {
        why = "bad %XX escape in a key name";
        return false;
      }
      // A backslash separates keys: no key is named with one, and writing
      // such a name back would split the key in two.
      if (b == '\\') {
        why = "backslash in a key name";
        return false;
      }
      out += static_cast<char>(b);
      i += 2;
    } else if (u < 0x20 || u == 0x7F) {
      why = "control byte in a key name";
      return false;
    } else {
      out += part[i];
    }
  }
  if (out.empty() || out.size() > kMaxKeyNameLength) {
    why = out.empty() ? "empty key name" : "key name too long";
    return false;
  }
  return true;
}

bool readKeyPath(std::string_view inner, std::vector<std::string>& path, std::string& why) {
  if (inner.empty())
    return true;
  for (;;) {
    const std::size_t sep = inner.find('\\');
    std::string name;
    if (!readKeyComponent(inner.substr(0, sep), name, why))
      return false;
    if (path.size() >= kMaxKeyDepth) {
      why = "key path too deep";
      return false;
    }
    path.push_back(std::move(name));
    if (sep == std::string_view::npos)
      return true;
    inner.remove_prefix(sep + 1);
  }
}

std::string_view trimLine(std::string_view line) {
  while (!line.empty() && (isBlank(line.back()) || line.back() == '\r'))
    line.remove_suffix(1);
  while (!line.empty() && isBlank(line.front()))
    line.remove_prefix(1);
  return line;
}

// Writes `node` and everything below it; `path` holds the node's escaped
// path and is restored before returning.
void writeKey(std::string& out, const RegistryKeyNode& node, std::string& path, bool isRoot) {
  const auto& kept = node.keptLines();
  std::size_t next = 0;
  const auto writeKept = [&](std::size_t upTo) {
    for (; next < kept.size() && kept[next].beforeValue <= upTo; ++next) {
      out += kept[next].text;
      out += '\n';
    }
  };
  // The root keeps the lines read before any key line: they stay above the
  // root's own key line, where a value line among them still belongs to no
  // key and cannot turn into a value of the root at the next read.
  if (isRoot)
    writeKept(SIZE_MAX);
  if (!isRoot || !node.values().empty()) {
    out += "\n[";
    out += path;
    out += "]\n";
  }
  for (std::size_t i = 0; i < node.values().size(); ++i) {
    writeKept(i);
    out += RegistryTextFormat::valueLine(node.values()[i]);
    out += '\n';
  }
  writeKept(SIZE_MAX);
  const std::size_t length = path.size();
  for (std::size_t i = 0; i < node.subKeyCount(); ++i) {
    const RegistryKeyNode& sub = node.subKeyAt(i);
    if (!isRoot)
      path += '\\';
    path += RegistryTextFormat::keyComponent(sub.name());
    writeKey(out, sub, path, false);
    path.resize(length);
  }
}

} // namespace

int RegistryTextFormat::hexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

int RegistryTextFormat::hexByteAt(std::string_view text, std::size_t pos) {
  if (pos + 1 >= text.size())
    return -1;
  const int hi = hexDigitValue(text[pos]);
  const int lo = hexDigitValue(text[pos + 1]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

RegistryKeyNode RegistryTextFormat::parse(std::string_view text, std::vector<RegistryParseIssue>* issues) {
  RegistryKeyNode root;
  // The key that takes value lines; null before the first key line and after
  // a key line that did not parse, whose lines up to the next key line are
  // kept as they stand in `holder` (guessing their key could move them to the
  // wrong one).
  RegistryKeyNode* current = nullptr;
  RegistryKeyNode* holder = &root;
  std::size_t lineNumber = 0;
  std::string_view rawLine;
  const auto report = [&](std::string reason) {
    if (issues)
      issues->push_back(RegistryParseIssue{lineNumber, std::move(reason), std::string(rawLine)});
  };

  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    rawLine = raw;
    const std::string_view line = trimLine(raw);
    const auto keep = [&] { holder->keepLine(std::string(raw.substr(0, raw.find_last_not_of('\r') + 1))); };
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;

    if (lineNumber == 1) {
      if (line == kHeader)
        continue;
      report("the first line is not \"" + std::string(kHeader) + "\"");
    }
    if (line.empty())
      continue;
    if (line.front() == ';' || (!current && line.front() != '[')) {
      keep();
      continue;
    }

    std::string why;
    if (line.front() == '[') {
      std::vector<std::string> path;
      if (line.size() < 2 || line.back() != ']') {
        why = "key line without closing ']'";
      } else if (readKeyPath(line.substr(1, line.size() - 2), path, why)) {
        current = &root;
        for (const std::string& name : path)
          current = &current->ensureSubKey(name);
        holder = current;
        continue;
      }
      current = nullptr;
      keep();
      report(why + "; its lines are kept as they stand");
      continue;
    }

    if (line.front() != '"') {
      keep();
      report("not a key or value line");
      continue;
    }
    std::size_t pos = 0;
    std::string name;
    DWORD type = 0;
    std::string data;
    if (!readQuoted(line, pos, kMaxValueNameLength, name, why)) {
      keep();
      report(why);
      continue;
    }
    if (pos >= line.size() || line[pos] != '=') {
      keep();
      report("expected '=' after the value name");
      continue;
    }
    ++pos;
    if (!readValueData(line, pos, type, data, why)) {
      keep();
      report(why);
      continue;
    }
    while (pos < line.size() && isBlank(line[pos]))
      ++pos;
    if (pos < line.size() && line[pos] != ';') {
      keep();
      report("unexpected text after the value");
      continue;
    }
    current->setValue(name, type, std::move(data));
  }
  return root;
}

std::string RegistryTextFormat::write(const RegistryKeyNode& root) {
  std::string out(kHeader);
  out += '\n';
  std::string path;
  writeKey(out, root, path, true);
  return out;
}

std::string RegistryTextFormat::writeSubtree(const RegistryKeyNode& node,
                                             const std::vector<std::string>& path) {
  if (path.empty())
    return write(node);
  std::string pathText;
  for (const std::string& name : path) {
    if (!pathText.empty())
      pathText += '\\';
    pathText += keyComponent(name);
  }
  std::string out(kHeader);
  out += '\n';
  writeKey(out, node, pathText, false);
  return out;
}

std::string RegistryTextFormat::quote(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (isPrintable(u)) {
      out += c;
    } else {
      out += "\\x";
      appendHexByte(out, u, kHexDigits);
    }
  }
  out += '"';
  return out;
}

std::string RegistryTextFormat::keyComponent(std::string_view name) {
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '%' || !isPrintable(u)) {
      out += '%';
      appendHexByte(out, u, kHexUpper);
    } else {
      out += c;
    }
  }
  return out;
}

std::string RegistryTextFormat::valueLine(const RegistryValue& value) {
  std::string out = quote(value.name);
  out += '=';
  const std::string& data = value.data;
  if (value.type == 1 && !data.empty() && data.back() == '\0') {
    out += quote(std::string_view(data).substr(0, data.size() - 1));
    return out;
  }
  if (value.type == 4 && data.size() == 4) {
    out += "dword:";
    for (int i = 3; i >= 0; --i)
      appendHexByte(out, static_cast<unsigned char>(data[static_cast<std::size_t>(i)]), kHexDigits);
    return out;
  }
  if (value.type == 3) {
    out += "hex:";
  } else {
    out += "hex(";
    char digits[8];
    int n = 0;
    DWORD t = value.type;
    do {
      digits[n++] = kHexDigits[t & 0x0F];
      t >>= 4;
    } while (t != 0);
    while (n > 0)
      out += digits[--n];
    out += "):";
  }
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0)
      out += ',';
    appendHexByte(out, static_cast<unsigned char>(data[i]), kHexDigits);
  }
  return out;
}

} // namespace tarsel::reg
