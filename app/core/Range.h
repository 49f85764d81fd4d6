// A range of a camera setting: minimum and maximum position, -1 and -1 when
// no range is stored. The copy constructor reads the source through its
// virtual getters, so a range can be built from any range object.
#pragma once

#include "TarselCore_export.h"

#include <cstdint>

class TARSELCORE_EXPORT CRange {
public:
  CRange() = default;
  CRange(std::int32_t min, std::int32_t max) : m_min(min), m_max(max) {}
  CRange(const CRange& other) : m_min(other.GetMin()), m_max(other.GetMax()) {}
  CRange& operator=(const CRange& other) { return Assign(other); }
  virtual ~CRange() = default;

  // Takes the other range's bounds; nothing when it is this object.
  virtual CRange& Assign(const CRange& other);
  virtual std::int32_t GetMin() const { return m_min; }
  virtual std::int32_t GetMax() const { return m_max; }

protected:
  std::int32_t m_min = -1;
  std::int32_t m_max = -1;
};
