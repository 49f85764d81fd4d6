#include "app/core/Range.h"

CRange& CRange::Assign(const CRange& other) {
  if (&other == this)
    return *this;
  m_min = other.GetMin();
  m_max = other.GetMax();
  return *this;
}
