// One text of the program's string table, loaded on construction into a
// buffer of its own: at most 1000 characters, always terminated; an id the
// table lacks gives the empty text. Any thread.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstddef>

class CResString {
public:
  static constexpr std::size_t kMaxLength = 1000;

  explicit CResString(UINT id);

  operator const char*() const { return m_text; }
  const char* c_str() const { return m_text; }

protected:
  CResString() = default;
  // Copies at most kMaxLength characters of `text` (null: the empty text).
  void assign(const char* text);

private:
  char m_text[kMaxLength + 1] = {};
};
