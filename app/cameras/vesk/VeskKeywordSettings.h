// The keyword form of the camera-link family's capture settings: the
// shared keyword reader (app/cameras/common/KeywordSettings.h) over this
// family's value tables and words.
//
// Threads: any. Failure: only std::bad_alloc.
#pragma once

#include "app/cameras/common/KeywordSettings.h"

namespace tarsel::vesk {

using tarsel::cameras::KeywordTable;
using tarsel::cameras::KeywordTables;
using VeskKeywordSettings = tarsel::cameras::CKeywordSettings;

// The family's default value tables and value words, as the keywords see them.
const KeywordTables& FamilyKeywordTables();

} // namespace tarsel::vesk
