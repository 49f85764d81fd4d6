// Just enough JSON for reading the camera simulator's control answers:
// objects, arrays, strings (ASCII escapes), numbers, true, false, null.
// Throws std::runtime_error on malformed text.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarsel::vantic::test {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> members;

  static Json parse(const std::string& text);

  const Json& operator[](const std::string& key) const;
  const Json& operator[](std::size_t index) const { return items.at(index); }
  bool has(const std::string& key) const { return members.count(key) != 0; }
  long long integer() const { return static_cast<long long>(number); }
};

} // namespace tarsel::vantic::test
