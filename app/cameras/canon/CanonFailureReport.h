// The Canon family's error-log entry for a caught error: the family's
// header line "SDK: CanonCD", then "ERROR: <message>(0x<code>) produced by
// <place>" with the place text shortened to the called operation's name,
// then, with a camera, its "Camera: " line.
//
// Threads: any. Failure: never throws (logging never replaces the error
// being logged).
#pragma once

#include <string>

class _brantel_take_error;
class CanonCD_Wr;

namespace tarsel::canon {

// After a "return" the first seven characters go (never past the end),
// then everything up to the first '.' that follows, then everything from
// the first '('.
std::string ShortenPlaceText(const char* place);
// The entry as written to the error log.
std::string CanonFailureText(const _brantel_take_error& error, const char* place, CanonCD_Wr* camera);

} // namespace tarsel::canon

void ReportCanonFailure(const _brantel_take_error& error, const char* place, CanonCD_Wr* camera);
