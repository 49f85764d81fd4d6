// Fuzz target of the keyword form of the capture settings: any bytes as the
// list of items (the input's NULs separate them), matched against each
// family's tables and words (camera-link, ActiveX, Canon). For each family:
// the warning must be none or one of the keywords' own; the same items with
// every letter's case turned must match the same values with the same
// warning, as keywords and words are compared without regard to case; and
// each value matched through its table must be matched again, without a
// warning, from the item "KEYWORD=<its label>".
#include "app/cameras/canon/CanonKeywordSettings.h"
#include "app/cameras/lunet/LunetCapabilityTables.h"
#include "app/cameras/vesk/VeskKeywordSettings.h"
#include "app/core/CapabilitySet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using tarsel::cameras::CKeywordSettings;
using tarsel::cameras::KeywordTable;
using tarsel::cameras::KeywordTables;

struct Keyword {
  const char* name;
  std::optional<std::int32_t> CKeywordSettings::*slot;
  KeywordTable KeywordTables::*table;
};

constexpr Keyword kKeywords[] = {
    {"APERTURE", &CKeywordSettings::aperture, &KeywordTables::aperture},
    {"EXPOSURETIME", &CKeywordSettings::exposureTime, &KeywordTables::exposureTime},
    {"PROGRAMMODE", &CKeywordSettings::programMode, &KeywordTables::programMode},
    {"EXPOBIAS", &CKeywordSettings::expoBias, &KeywordTables::expoBias},
    {"ISOSPEED", &CKeywordSettings::isoSpeed, &KeywordTables::isoSpeed},
    {"FLASH", &CKeywordSettings::flash, &KeywordTables::flash},
    {"WHITEBALANCE", &CKeywordSettings::whiteBalance, &KeywordTables::whiteBalance},
    {"METERING", &CKeywordSettings::metering, &KeywordTables::metering},
};

// The keywords' warnings: aperture to flash, then white balance and metering.
bool IsKeywordWarning(std::uint32_t warning) {
  return (warning >= 0x41020014 && warning <= 0x41020019) || warning == 0x41020020 || warning == 0x41020021;
}

// The text with the case of every ASCII letter turned.
std::string CaseTurned(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// `read(items)` reads the items with the family's tables `tables`.
template <typename Read> void CheckFamily(const std::string& items, const KeywordTables& tables, Read read) {
  const CKeywordSettings settings = read(items.c_str());
  const auto warning = static_cast<std::uint32_t>(settings.Warning());
  if (warning != 0 && !IsKeywordWarning(warning))
    std::abort();
  const CKeywordSettings turned = read(CaseTurned(items).c_str());
  if (turned.Warning() != settings.Warning())
    std::abort();
  for (const Keyword& keyword : kKeywords) {
    const std::optional<std::int32_t>& value = settings.*keyword.slot;
    if (turned.*keyword.slot != value)
      std::abort();
    const char* label = value ? tarsel::core::FindCapabilityLabel(tables.*keyword.table, *value) : nullptr;
    if (!label)
      continue;
    std::string item = std::string(keyword.name) + "=" + label;
    item.append(2, '\0');
    const CKeywordSettings again = read(item.c_str());
    if (!(again.*keyword.slot) || again.Warning() != 0)
      std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string items(reinterpret_cast<const char*>(data), size);
  items.append(2, '\0');
  for (const KeywordTables* tables :
       {&tarsel::vesk::FamilyKeywordTables(), &tarsel::lunet::LunetKeywordTables()})
    CheckFamily(items, *tables, [&](const char* text) { return CKeywordSettings(text, *tables); });
  CheckFamily(items, CCanonKeywordSettings::Tables(),
              [](const char* text) -> CKeywordSettings { return CCanonKeywordSettings(text); });
  return 0;
}
