// The range section of a setting with real values at its two positions in a
// camera-model file (the optical zoom: positions and the focal lengths at
// them): "[<name>Range]" with "Min" and "Max", each "<position>,<value>"
// written and read in the C locale, whatever the user's locale is.
//
// The item is missing after a read that found no valid "Min" or "Max" (both
// must hold a position and a value); it is not missing after a successful
// read or when made from a given range.
//
// Threads: one at a time. Failure: SaveToIni throws _brantel_take_error with
// the system's error number and "Cannot save camera parameters to file";
// reading never fails.
#pragma once

#include "TarselCore_export.h"
#include "app/core/RangeD.h"

#include <optional>
#include <string>
#include <string_view>

class TARSELCORE_EXPORT CRangeItemD : public CRangeD {
public:
  // An unset range (-1, -1, 0.0, 0.0), then read from `file` when one is given.
  CRangeItemD(const char* file, const char* name);
  CRangeItemD(const char* name, const CRangeD& range);

  // Takes all four values when both keys hold "<position>,<value>";
  // otherwise nothing changes and the item is missing.
  void LoadFromIni(const char* file);
  void SaveToIni(const char* file) const;

  const std::string& GetSectionName() const { return m_section; }
  bool IsMissing() const { return m_missing; }

  struct Bound {
    std::int32_t position;
    double value;
  };
  // "<position>,<value>" as sscanf's "%ld,%lf" reads it in the C locale.
  static std::optional<Bound> ParseBound(std::string_view text);
  // "%ld,%lf" in the C locale.
  static std::string FormatBound(const Bound& bound);

private:
  std::string m_section;
  bool m_missing = false;
};
