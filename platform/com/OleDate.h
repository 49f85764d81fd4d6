// DATE values and calendar fields: a DATE counts days since 30 December 1899
// 00:00, its fraction the time of day (for days before that, the fraction
// still counts forward from midnight). Conversions work to the second,
// rounding to the nearest one; no time zone is involved.
#pragma once

#include "platform/com/Variant.h"
#include "tarselcom_export.h"

#include <ctime>
#include <optional>

namespace tarsel::com {

// The DATE of the fields' year, month (tm_mon 0..11), day, hour, minute and
// second; no value for fields out of their ranges or a year outside 100..9999.
TARSELCOM_EXPORT std::optional<DATE> DateFromFields(const std::tm& fields);

// The fields of a DATE (tm_wday and tm_yday filled, tm_isdst -1); no value
// for a DATE outside the years 100..9999 or not a number.
TARSELCOM_EXPORT std::optional<std::tm> FieldsFromDate(DATE date);

} // namespace tarsel::com
