#include "sim/vantic/testsupport/MiniJson.h"

#include <cstdlib>
#include <stdexcept>

namespace tarsel::vantic::test {

namespace {

struct Parser {
  const std::string& s;
  std::size_t i = 0;

  void skip() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t'))
      ++i;
  }
  [[noreturn]] void fail() {
    throw std::runtime_error("bad JSON at " + std::to_string(i) + ": " + s.substr(0, 200));
  }
  void expect(char c) {
    skip();
    if (i >= s.size() || s[i] != c)
      fail();
    ++i;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (i < s.size() && s[i] != '"') {
      char c = s[i++];
      if (c == '\\') {
        if (i >= s.size())
          fail();
        const char e = s[i++];
        switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          if (i + 4 > s.size())
            fail();
          const long code = std::strtol(s.substr(i, 4).c_str(), nullptr, 16);
          i += 4;
          out += code < 0x80 ? static_cast<char>(code) : '?';
          break;
        }
        default:
          out += e;
          break;
        }
      } else {
        out += c;
      }
    }
    expect('"');
    return out;
  }
  Json value() {
    skip();
    if (i >= s.size())
      fail();
    Json v;
    const char c = s[i];
    if (c == '{') {
      v.kind = Json::Kind::Object;
      ++i;
      skip();
      if (s[i] == '}') {
        ++i;
        return v;
      }
      for (;;) {
        std::string key = string();
        expect(':');
        v.members[key] = value();
        skip();
        if (s[i] == ',') {
          ++i;
          continue;
        }
        expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.kind = Json::Kind::Array;
      ++i;
      skip();
      if (s[i] == ']') {
        ++i;
        return v;
      }
      for (;;) {
        v.items.push_back(value());
        skip();
        if (s[i] == ',') {
          ++i;
          continue;
        }
        expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.kind = Json::Kind::String;
      v.text = string();
      return v;
    }
    if (s.compare(i, 4, "true") == 0) {
      v.kind = Json::Kind::Bool;
      v.boolean = true;
      i += 4;
      return v;
    }
    if (s.compare(i, 5, "false") == 0) {
      v.kind = Json::Kind::Bool;
      i += 5;
      return v;
    }
    if (s.compare(i, 4, "null") == 0) {
      i += 4;
      return v;
    }
    char* end = nullptr;
    v.number = std::strtod(s.c_str() + i, &end);
    if (end == s.c_str() + i)
      fail();
    v.kind = Json::Kind::Number;
    i = static_cast<std::size_t>(end - s.c_str());
    return v;
  }
};

} // namespace

Json Json::parse(const std::string& text) {
  Parser parser{text};
  return parser.value();
}

const Json& Json::operator[](const std::string& key) const {
  static const Json none;
  const auto it = members.find(key);
  return it == members.end() ? none : it->second;
}

} // namespace tarsel::vantic::test
