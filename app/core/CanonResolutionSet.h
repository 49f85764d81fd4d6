// The resolutions a camera model offers when a resolution is a pair of the
// camera's image-size code and a quality: each entry keeps both codes, the
// picture's width and height, and a label ("<width>x<height> <quality>").
// Consumers see the entry's position (0, 1, 2 ...) as its id and translate
// it back with GetEntry.
//
// In a camera-model file the set named N is the section [N], one line
// "<position>=<size code>,<quality>,<width>,<height>,<label>" per entry, and
// the range section [NRange] as for CCapabilitySet. The reader takes labels
// of letters, digits and blanks only (at most 100 characters, cut at the
// first other character, without blanks at its end) and skips lines it
// cannot read whole.
//
// Threads: one at a time. Failure: SaveToIni throws _brantel_take_error with
// the system's error number and "Cannot save camera parameters to file";
// loading never fails.
#pragma once

#include "TarselCore_export.h"
#include "app/core/CapabilitySet.h"
#include "app/core/Range.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// One entry of the set (a name of its own: the capability test has a
// CResolutionEntry class of its own in the same program).
struct CCanonResolutionEntry {
  std::uint32_t sizeCode;
  std::uint32_t quality;
  std::uint32_t width;
  std::uint32_t height;
  std::string label;
};

class TARSELCORE_EXPORT CCanonResolutionSet {
public:
  using Value = tarsel::core::CapabilityValue;

  // The image size a camera reports: its code and dimensions.
  struct SizeRecord {
    std::uint32_t sizeCode;
    std::uint32_t width;
    std::uint32_t height;
  };

  static constexpr std::size_t kMaxLabel = 100;

  // An empty set offering `defaultTable` (may be null), range -1..-1, then
  // loaded from `file` when one is given.
  CCanonResolutionSet(const char* file, const char* name, const Value* defaultTable);
  CCanonResolutionSet(const CCanonResolutionSet&) = delete;
  CCanonResolutionSet& operator=(const CCanonResolutionSet&) = delete;
  virtual ~CCanonResolutionSet();

  // Makes the position/label table from the entries (none when there is none).
  virtual void BuildTable();
  // Takes the entries of [name] when the section has lines, and the range
  // where the file has it; true when the set holds an entry.
  virtual bool LoadFromIni(const char* file);
  // Replaces [name] with the entries (an empty set writes an empty
  // section), then the range as CCapabilitySet does.
  virtual void SaveToIni(const char* file);
  virtual void Clear();

  // Appends the size with the quality's label from `qualities` (empty when
  // the quality is not there); returns "<width>x<height> <quality label>",
  // or "<width>x<height>" without a quality label.
  std::string AddResolution(const SizeRecord& size, const Value* qualities, std::uint32_t quality);
  // The position/label table, else the default table.
  const Value* GetValues();
  // The entry at a position GetValues gave; null past the end.
  const CCanonResolutionEntry* GetEntry(std::size_t position) const;
  std::size_t GetCount() const { return m_entries.size(); }
  CRange GetRange() const { return CRange(m_range.GetMin(), m_range.GetMax()); }
  const std::string& GetName() const { return m_name; }

private:
  const Value* m_defaultTable;
  std::deque<CCanonResolutionEntry> m_entries; // labels stay put while entries are appended
  std::vector<Value> m_table;                  // empty while not built
  bool m_tableStale = false;
  std::string m_name;
  CRange m_range;
};
