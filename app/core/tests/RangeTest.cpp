#include "app/core/Range.h"
#include "app/core/RangeD.h"

#include <gtest/gtest.h>

namespace {

// A range whose getters answer other values than its fields: copies must
// read through the getters.
class ShiftedRange : public CRange {
public:
  ShiftedRange(std::int32_t min, std::int32_t max) : CRange(min, max) {}
  std::int32_t GetMin() const override { return m_min + 100; }
  std::int32_t GetMax() const override { return m_max + 100; }
};

} // namespace

TEST(Range, UnsetRangesHoldMinusOneAndZero) {
  const CRange range;
  EXPECT_EQ(range.GetMin(), -1);
  EXPECT_EQ(range.GetMax(), -1);
  const CRangeD real;
  EXPECT_EQ(real.GetMin(), -1);
  EXPECT_EQ(real.GetMax(), -1);
  EXPECT_EQ(real.GetMinValue(), 0.0);
  EXPECT_EQ(real.GetMaxValue(), 0.0);
}

TEST(Range, CopiesAndAssignmentsReadTheSourceThroughItsGetters) {
  const ShiftedRange shifted(1, 2);
  const CRange copied(shifted);
  EXPECT_EQ(copied.GetMin(), 101);
  EXPECT_EQ(copied.GetMax(), 102);

  CRange assigned(7, 8);
  CRange& result = assigned.Assign(shifted);
  EXPECT_EQ(&result, &assigned);
  EXPECT_EQ(assigned.GetMin(), 101);
  EXPECT_EQ(assigned.GetMax(), 102);

  const CRangeD fromShifted(shifted);
  EXPECT_EQ(fromShifted.GetMin(), 101);
  EXPECT_EQ(fromShifted.GetMinValue(), 0.0);
}

TEST(Range, AssigningARangeToItselfChangesNothing) {
  CRange range(3, 9);
  const CRange& self = range;
  range.Assign(self);
  range = self;
  EXPECT_EQ(range.GetMin(), 3);
  EXPECT_EQ(range.GetMax(), 9);

  CRangeD real(1, 2, 1.5, 2.5);
  const CRangeD& realSelf = real;
  real.Assign(realSelf);
  real = realSelf;
  real.Assign(static_cast<const CRange&>(realSelf));
  EXPECT_EQ(real.GetMin(), 1);
  EXPECT_EQ(real.GetMax(), 2);
  EXPECT_EQ(real.GetMinValue(), 1.5);
  EXPECT_EQ(real.GetMaxValue(), 2.5);
}

TEST(Range, APlainRangeGivesARealRangeItsIntegerBoundsOnly) {
  const CRange plain(10, 20);

  const CRangeD built(plain);
  EXPECT_EQ(built.GetMin(), 10);
  EXPECT_EQ(built.GetMax(), 20);
  EXPECT_EQ(built.GetMinValue(), 0.0);
  EXPECT_EQ(built.GetMaxValue(), 0.0);

  CRangeD assigned(1, 2, 1.5, 2.5);
  assigned.Assign(plain);
  EXPECT_EQ(assigned.GetMin(), 10);
  EXPECT_EQ(assigned.GetMax(), 20);
  EXPECT_EQ(assigned.GetMinValue(), 1.5);
  EXPECT_EQ(assigned.GetMaxValue(), 2.5);

  assigned = CRange(30, 40);
  EXPECT_EQ(assigned.GetMin(), 30);
  EXPECT_EQ(assigned.GetMaxValue(), 2.5);
}

TEST(Range, RealRangesCopyAllFourBounds) {
  const CRangeD source(5, 50, 0.5, 5.0);
  const CRangeD copied(source);
  CRangeD assigned;
  assigned = source;
  CRangeD viaAssign;
  CRangeD& result = viaAssign.Assign(source);
  EXPECT_EQ(&result, &viaAssign);
  for (const CRangeD* range :
       {&copied, static_cast<const CRangeD*>(&assigned), static_cast<const CRangeD*>(&viaAssign)}) {
    EXPECT_EQ(range->GetMin(), 5);
    EXPECT_EQ(range->GetMax(), 50);
    EXPECT_EQ(range->GetMinValue(), 0.5);
    EXPECT_EQ(range->GetMaxValue(), 5.0);
  }

  // Through a base reference the virtual Assign of a plain range applies.
  CRangeD target(1, 1, 9.0, 9.0);
  CRange& base = target;
  base.Assign(source);
  EXPECT_EQ(target.GetMin(), 5);
  EXPECT_EQ(target.GetMinValue(), 9.0);
}
