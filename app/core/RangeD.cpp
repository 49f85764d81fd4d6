#include "app/core/RangeD.h"

CRangeD& CRangeD::Assign(const CRangeD& other) {
  if (&other == this)
    return *this;
  m_min = other.GetMin();
  m_max = other.GetMax();
  m_minValue = other.GetMinValue();
  m_maxValue = other.GetMaxValue();
  return *this;
}
