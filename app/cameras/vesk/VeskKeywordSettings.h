// The keyword form of the capture settings ("APERTURE=2.8", "FLASH=Off" ...):
// a list of zero-terminated items ended by an empty item, each cut to 255
// characters. Keywords and value words are compared without regard to case;
// numbers are read in the C locale whatever the user's locale. Unknown
// keywords are ignored; a value that matches nothing gives that keyword's
// warning (0x41020014 ... 0x41020021) and the last such warning is kept.
//
// Threads: any; the object holds only its result. Failure: only
// std::bad_alloc.
#pragma once

#include "app/core/CapabilitySet.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarsel::vesk {

// A value table: rows up to the first with a null label; null for none.
using KeywordTable = const tarsel::core::CapabilityValue*;

// The family's value tables the keywords are matched against.
struct KeywordTables {
  KeywordTable aperture = nullptr;
  KeywordTable exposureTime = nullptr;
  KeywordTable programMode = nullptr;
  KeywordTable expoBias = nullptr;
  KeywordTable isoSpeed = nullptr;
  KeywordTable flash = nullptr;
  KeywordTable whiteBalance = nullptr;
  KeywordTable metering = nullptr;
};

// The family's default value tables, as the keywords see them.
const KeywordTables& FamilyKeywordTables();

class VeskKeywordSettings {
public:
  VeskKeywordSettings(const char* items, const KeywordTables& tables);

  bool AnyMatched() const;
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
  void Apply(std::string_view keyword, std::string_view value, const KeywordTables& tables);

  HRESULT m_warning = 0;
};

} // namespace tarsel::vesk
