// The keyword form of a Canon camera's capture settings: a list of
// zero-terminated "KEY=value" items ended by an empty item, each cut to 255
// characters; an item without "=" or with nothing after it is skipped.
// Keys and value words are compared without regard to case, numbers read
// in the C locale. Values are matched against the family's built-in tables
// (an aperture or bias label within 0.05 of the number, an exposure time
// by its label or else the nearest time, the other settings by label or by
// a few words such as "AUTO"). A value that matches nothing gives its key's
// warning (0x41020014 ... 0x41020019, 0x41020020, 0x41020021) and the last
// such warning is kept; a later item of a key replaces an earlier match.
//
// Threads: any; the object holds only its result. Failure: only
// std::bad_alloc.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstdint>
#include <optional>
#include <string_view>

class CCanonKeywordSettings {
public:
  explicit CCanonKeywordSettings(const char* items);

  bool AnyMatched() const;
  // Whether the matched program mode is one that is applied and has the
  // values it needs: 0 none, 2 an exposure time, 3 an aperture, 4 both.
  bool IsProgramModeComplete() const;
  HRESULT Warning() const { return m_warning; }

  std::optional<std::int32_t> aperture;
  std::optional<std::int32_t> exposureTime;
  std::optional<std::int32_t> programMode;
  std::optional<std::int32_t> expoBias;
  std::optional<std::int32_t> isoSpeed;
  std::optional<std::int32_t> flash;
  std::optional<std::int32_t> whiteBalance;
  std::optional<std::int32_t> metering;

private:
  void Apply(std::string_view key, std::string_view value);

  HRESULT m_warning = 0;
};
