// The camera's register ranges: one (minimum, maximum) pair per register
// 0..109. A write outside its range is refused before anything is sent; a read
// outside it is a bad reply. Registers the table does not list accept 0 only.
#pragma once

#include <cstdint>

namespace tarsel::vantic {

struct RegisterRange {
  std::uint32_t minimum = 0;
  std::uint32_t maximum = 0;
};

inline constexpr int kRegisterCount = 110;

// The range of a register; 0..0 for registers outside 0..109 too.
RegisterRange registerRange(int reg);

bool registerAccepts(int reg, std::uint32_t value);

} // namespace tarsel::vantic
