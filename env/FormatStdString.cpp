#include "env/FormatStdString.h"

#include <cstdarg>
#include <cstdio>

void FormatStdString(std::string& out, const char* format, ...) {
  if (!format || !*format) {
    out.clear();
    return;
  }
  // Formatted into a local buffer first, so an argument may be `out` itself.
  char buffer[4000] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  out.assign(buffer);
}
