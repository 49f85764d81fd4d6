// The values one camera setting accepts on a camera model (program modes,
// ISO speeds, apertures ...): each a numeric id, the value the camera
// understands, with the label dialogs show. A set also carries a range for
// continuous settings and can be marked as not supported by the model.
//
// What a set offers (GetValues) is its own table once values were loaded or
// assigned, else the built-in default table it was made with, and nothing
// when the model does not support the setting. Tables are arrays of
// {id, label} pairs ended by the first null label.
//
// In a camera-model file (INI) a set named N is the section [N], one line
// "id=label" per value in table order (labels kept exactly, leading blanks
// and signs included; a line whose id is not a whole number is skipped) or
// the single line "UNSUPPORTED", and the section
// [NRange] with "Min" and "Max" (see CRangeItem).
//
// Threads: one at a time (a camera guards its sets with its lock). A table
// GetValues returned stays valid until the set's values change. Failure:
// SaveToIni throws _brantel_take_error with the system's error number and
// the text "Cannot save camera parameters to file"; loading never fails (a
// missing file or section keeps what the set holds).
#pragma once

#include "TarselCore_export.h"
#include "app/core/Range.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tarsel::core {

// One row of a value table; a table ends at the first row with a null label
// (the id of that row is not looked at).
struct CapabilityValue {
  std::int32_t id;
  const char* label;
};

// The label of the first row with `id`; null when there is none (or no table).
TARSELCORE_EXPORT const char* FindCapabilityLabel(const CapabilityValue* table, std::int32_t id);
// The id of the first row whose label equals `label` exactly; false when there is none.
TARSELCORE_EXPORT bool FindCapabilityId(const CapabilityValue* table, const char* label, std::int32_t* id);
// The number of rows before the terminating one; 0 for no table.
TARSELCORE_EXPORT std::size_t CapabilityCount(const CapabilityValue* table);

} // namespace tarsel::core

// One value of a set: the id and its own copy of the label.
struct CCapabilityEntry {
  std::int32_t id;
  std::string label;
};

class TARSELCORE_EXPORT CCapabilitySet {
public:
  using Value = tarsel::core::CapabilityValue;

  // An empty set offering `defaultTable` (may be null), range -1..-1.
  CCapabilitySet(const char* name, const Value* defaultTable);
  // The same with `defaultRange`, then loaded from `file` (LoadFromIni).
  CCapabilitySet(const char* file, const char* name, const CRange& defaultRange, const Value* defaultTable);
  CCapabilitySet(const CCapabilitySet&) = delete;
  CCapabilitySet& operator=(const CCapabilitySet&) = delete;
  virtual ~CCapabilitySet();

  // Appends a value; its label is copied.
  virtual void AddValue(std::int32_t id, const char* label);
  // Appends the default table's first row with `id` and returns "<id>:\t<label>";
  // the empty text, and nothing appended, when the default table has no such row.
  virtual std::string AddValueFromTable(std::int32_t id);
  // Makes the set's own table from its values (none when it holds no value).
  virtual void BuildTable();
  // Replaces [name] of `file` with the offered values (or "UNSUPPORTED"),
  // then writes the range to [nameRange] unless it is 0..0; range values
  // the file already holds are kept. Nothing is written when the set offers
  // no table at all.
  virtual void SaveToIni(const char* file);
  // Drops the values and the set's own table; the unsupported mark stays.
  virtual void Clear();
  // Takes the values of [name] when the section has lines (a first line
  // "UNSUPPORTED", in any case, marks the set unsupported), and the range
  // of [nameRange] where the file has it. True when the set holds a value.
  virtual bool LoadFromIni(const char* file);

  // True while nothing was loaded or assigned and the set is not marked unsupported.
  bool IsEmpty() const;
  // The offered table: the set's own, else the default one; null when unsupported.
  const Value* GetValues();
  CRange GetRange() const { return CRange(m_range.GetMin(), m_range.GetMax()); }
  // Replaces the values with the table's rows (a supported set from then
  // on); a null table leaves the set empty.
  void AssignTable(const Value* table);
  // Marks the set as not supported by the model; its values stay but are
  // neither offered nor saved.
  void MarkUnsupported() { m_unsupported = true; }

  const std::string& GetName() const { return m_name; }
  bool IsUnsupported() const { return m_unsupported; }
  const Value* GetDefaultTable() const { return m_defaultTable; }

private:
  const Value* m_defaultTable;
  // A deque keeps every label where it is while values are appended, so a
  // table built earlier never points at moved text.
  std::deque<CCapabilityEntry> m_entries;
  std::vector<Value> m_table; // empty while not built
  bool m_tableStale = false;  // values were appended after the table was built
  std::string m_name;
  CRange m_range;
  bool m_unsupported = false;
};
