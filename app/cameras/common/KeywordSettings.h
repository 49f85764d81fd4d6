// The keyword form of the capture settings ("APERTURE=2.8", "FLASH=Off" ...),
// shared by the camera families: a list of zero-terminated items ended by an
// empty item, each cut to 255 characters. Keywords and value words are
// compared without regard to case; numbers are read in the C locale whatever
// the user's locale, and a blank between a sign and its digits ("- 2.0") is
// read as part of the number. Unknown keywords are ignored; a value that
// matches nothing gives that keyword's warning (0x41020014 ... 0x41020021)
// and the last such warning is kept.
//
// Threads: any; the object holds only its result. Failure: only
// std::bad_alloc.
#pragma once

#include "app/core/CapabilitySet.h"
#include "hostapi/Win32Types.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarsel::cameras {

// A value table: rows up to the first with a null label; null for none.
using KeywordTable = const tarsel::core::CapabilityValue*;

// A value word a keyword knows besides its table's labels ("AUTO" ...).
struct KeywordWord {
  std::string_view text;
  std::int32_t id;
};
using KeywordWords = std::vector<KeywordWord>;

// A family's value tables the keywords are matched against, and the value
// words tried after a failed table look-up.
struct KeywordTables {
  KeywordTable aperture = nullptr;
  KeywordTable exposureTime = nullptr;
  KeywordTable programMode = nullptr;
  KeywordTable expoBias = nullptr;
  KeywordTable isoSpeed = nullptr;
  KeywordTable flash = nullptr;
  KeywordTable whiteBalance = nullptr;
  KeywordTable metering = nullptr;
  KeywordWords programModeWords;
  KeywordWords flashWords;
  KeywordWords whiteBalanceWords;
  KeywordWords meteringWords;
  // Whether an item with nothing after its "=" is skipped rather than
  // taken as a value that matches nothing.
  bool skipsEmptyValues = false;
};

// The program-mode, flash and white-balance words every family knows.
KeywordWords CommonProgramModeWords();
KeywordWords CommonFlashWords();
KeywordWords CommonWhiteBalanceWords();

// The leading decimal number of a label or value, a blank between the sign
// and the digits allowed ("+ 0.3" is 0.3); 0 when there is no number.
double KeywordNumber(std::string_view text);

class CKeywordSettings {
public:
  CKeywordSettings(const char* items, const KeywordTables& tables);

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

// Sends the matched exposure bias, flash, ISO speed, white balance and
// metering, in that order, through the camera's setters (what they return
// is not used).
template <class Camera> void SendKeywordProperties(const CKeywordSettings& settings, Camera& camera) {
  if (settings.expoBias)
    static_cast<void>(camera.SetPropExpoBias(*settings.expoBias));
  if (settings.flash)
    static_cast<void>(camera.SetPropFlash(*settings.flash));
  if (settings.isoSpeed)
    static_cast<void>(camera.SetPropIsoSpeed(*settings.isoSpeed));
  if (settings.whiteBalance)
    static_cast<void>(camera.SetPropWhiteBalance(*settings.whiteBalance));
  if (settings.metering)
    static_cast<void>(camera.SetPropMetering(*settings.metering));
}

} // namespace tarsel::cameras
