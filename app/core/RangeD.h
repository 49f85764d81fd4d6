// A range with the real values at its two positions (the zoom factors at the
// minimum and maximum zoom position, say). Unset: -1, -1, 0.0, 0.0.
// Built or assigned from a plain CRange it takes the integer bounds only.
#pragma once

#include "TarselCore_export.h"
#include "app/core/Range.h"

class TARSELCORE_EXPORT CRangeD : public CRange {
public:
  CRangeD() = default;
  CRangeD(std::int32_t min, std::int32_t max, double minValue, double maxValue)
      : CRange(min, max), m_minValue(minValue), m_maxValue(maxValue) {}
  explicit CRangeD(const CRange& other) : CRange(other) {}
  CRangeD(const CRangeD& other)
      : CRange(other), m_minValue(other.GetMinValue()), m_maxValue(other.GetMaxValue()) {}
  CRangeD& operator=(const CRangeD& other) { return Assign(other); }
  CRangeD& operator=(const CRange& other) {
    CRange::Assign(other);
    return *this;
  }

  using CRange::Assign;
  // Takes all four bounds; nothing when it is this object.
  virtual CRangeD& Assign(const CRangeD& other);
  virtual double GetMinValue() const { return m_minValue; }
  virtual double GetMaxValue() const { return m_maxValue; }

protected:
  double m_minValue = 0.0;
  double m_maxValue = 0.0;
};
