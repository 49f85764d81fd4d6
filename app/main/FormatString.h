// printf-style formatting into a new string, through FormatStdString's
// 4000-character buffer: longer results are cut to 3999 characters; a null
// or empty format gives "". The caller's format must match its arguments,
// as with printf.
#pragma once

#include "env/FormatStdString.h"

#include <string>

template <class... Args> std::string FormatString(const char* format, Args... args) {
  std::string text;
  FormatStdString(text, format, args...);
  return text;
}
