// Fuzz target of the keyword form of the capture settings: any bytes as the
// list of items (the input's NULs separate them), matched against the
// family's tables. The warning must be none or one of the keywords' own;
// and each value matched through its table must be matched again, without
// a warning, from the item "KEYWORD=<its label>".
#include "app/cameras/vesk/VeskKeywordSettings.h"
#include "app/core/CapabilitySet.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using tarsel::vesk::KeywordTable;
using tarsel::vesk::KeywordTables;
using tarsel::vesk::VeskKeywordSettings;

struct Keyword {
  const char* name;
  std::optional<std::int32_t> VeskKeywordSettings::*slot;
  KeywordTable KeywordTables::*table;
};

constexpr Keyword kKeywords[] = {
    {"APERTURE", &VeskKeywordSettings::aperture, &KeywordTables::aperture},
    {"EXPOSURETIME", &VeskKeywordSettings::exposureTime, &KeywordTables::exposureTime},
    {"PROGRAMMODE", &VeskKeywordSettings::programMode, &KeywordTables::programMode},
    {"EXPOBIAS", &VeskKeywordSettings::expoBias, &KeywordTables::expoBias},
    {"ISOSPEED", &VeskKeywordSettings::isoSpeed, &KeywordTables::isoSpeed},
    {"FLASH", &VeskKeywordSettings::flash, &KeywordTables::flash},
    {"WHITEBALANCE", &VeskKeywordSettings::whiteBalance, &KeywordTables::whiteBalance},
    {"METERING", &VeskKeywordSettings::metering, &KeywordTables::metering},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string items(reinterpret_cast<const char*>(data), size);
  items.append(2, '\0');
  const KeywordTables& tables = tarsel::vesk::FamilyKeywordTables();
  const VeskKeywordSettings settings(items.c_str(), tables);
  const auto warning = static_cast<std::uint32_t>(settings.Warning());
  if (warning != 0 && (warning < 0x41020014 || warning > 0x41020021))
    std::abort();
  for (const Keyword& keyword : kKeywords) {
    const std::optional<std::int32_t>& value = settings.*keyword.slot;
    const char* label = value ? tarsel::core::FindCapabilityLabel(tables.*keyword.table, *value) : nullptr;
    if (!label)
      continue;
    std::string item = std::string(keyword.name) + "=" + label;
    item.append(2, '\0');
    const VeskKeywordSettings again(item.c_str(), tables);
    if (!(again.*keyword.slot) || again.Warning() != 0)
      std::abort();
  }
  return 0;
}
