// The range section of one camera setting in a camera-model file:
// "[<name>Range]" with the keys "Min" and "Max". Values found in the file
// replace the defaults given at construction; `valid` tells whether both
// keys were there.
//
// Threads: one at a time. Failure: SaveToIni throws _brantel_take_error with
// the system's error number and the text "Cannot save camera parameters to
// file"; reading never fails (a missing file or key keeps the default).
#pragma once

#include "TarselCore_export.h"
#include "app/core/Range.h"

#include <cstdint>
#include <string>

namespace tarsel::platform {
class ProfileWrites;
}

class TARSELCORE_EXPORT CRangeItem {
public:
  // Defaults from `defaults`, then the file's values when `file` is given.
  CRangeItem(const char* file, const char* name, const CRange& defaults);
  CRangeItem(const char* file, const char* name, std::int32_t min, std::int32_t max);

  // Reads "Min" and "Max" (a missing key reads as -1, which keeps the
  // current value); valid = both keys held a value other than -1.
  void LoadFromIni(const char* file);
  // Writes "Min" and "Max" in decimal, both in one change of the file.
  void SaveToIni(const char* file) const;

  // Replaces the value set's section [<name>] with `lines` (NUL-separated,
  // ended by a second NUL) and writes its range to [<name>Range], all in one
  // change of the file: a range the file held when the save began is kept,
  // and a 0..0 range writes none.
  static void SaveSet(const char* file, const char* name, const std::string& lines, const CRange& range);
  // Throws the thread's last error with the text "Cannot save camera
  // parameters to file", as a failed write of a camera-model file does.
  [[noreturn]] static void ThrowSaveError();

  // Takes the range's bounds; the item no longer stands for what a file held.
  CRangeItem& operator=(const CRange& range);
  CRange GetRange() const { return CRange(Min, Max); }
  const std::string& GetSectionName() const { return m_section; }
  bool IsValid() const { return m_valid; }

  std::int32_t Min;
  std::int32_t Max;

private:
  void AddTo(tarsel::platform::ProfileWrites& writes) const;

  std::string m_section;
  bool m_valid = true;
};
