// The keyword form of a Canon camera's capture settings: the shared keyword
// reader (app/cameras/common/KeywordSettings.h) over the family's built-in
// tables and its own value words ("AUTO" ...); an item with nothing after
// its "=" is skipped. A value that matches nothing gives its key's warning
// (0x41020014 ... 0x41020019, 0x41020020, 0x41020021) and the last such
// warning is kept; a later item of a key replaces an earlier match.
//
// Threads: any; the object holds only its result. Failure: only
// std::bad_alloc.
#pragma once

#include "app/cameras/common/KeywordSettings.h"

class CCanonKeywordSettings : public tarsel::cameras::CKeywordSettings {
public:
  explicit CCanonKeywordSettings(const char* items);

  // The family's tables and words, as the keywords see them.
  static const tarsel::cameras::KeywordTables& Tables();

  // Whether the matched program mode is one that is applied and has the
  // values it needs: 0 none, 2 an exposure time, 3 an aperture, 4 both.
  bool IsProgramModeComplete() const;
};
