// printf-style formatting in the C locale whatever the user's locale, for
// the texts the Canon family logs and stores ("%3.1lf" always with a point).
//
// Threads: any (the C locale is taken for the calling thread only, for the
// length of the call). Failure: only std::bad_alloc.
#pragma once

#include <string>

namespace tarsel::canon {

[[gnu::format(printf, 1, 2)]] std::string FormatInCLocale(const char* format, ...);

} // namespace tarsel::canon
