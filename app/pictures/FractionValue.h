// The number parser of the capture-profile readers: a value written as a
// fraction ("1/250") or as a decimal number ("2.8"). Numbers are read with
// the C locale whatever the user's locale. Safe on any thread.
#pragma once

#include "TarselPictures_export.h"

#include <string_view>

// Without "/": the leading decimal number of the text (0 when there is
// none). With "/": a divided by b, where a and b are the first two
// non-empty parts between slashes; the fallback when b is missing or reads
// as 0, or when the text is null.
TARSELPICTURES_EXPORT double ParseFractionValue(const char* text, double fallback);
// The leading decimal number of the text as atof reads it in the C locale:
// leading blanks skipped, an optional sign, 0 when there is no number.
TARSELPICTURES_EXPORT double ParseLeadingNumber(std::string_view text);
