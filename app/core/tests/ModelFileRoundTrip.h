// What the fuzz targets of the camera-model file share: the input loaded
// from a file of the scratch folder, saved to a second file and loaded from
// that again.
#pragma once

#include "app/core/CapabilitySet.h"
#include "env/BrantelTakeError.h"
#include "platform/testsupport/FuzzScratch.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace tarsel::core::test {

// The rows of a value table, up to the first without a label.
inline std::vector<std::pair<std::int32_t, std::string>> TableRows(const CapabilityValue* table) {
  std::vector<std::pair<std::int32_t, std::string>> rows;
  for (const CapabilityValue* row = table; row && row->label; ++row)
    rows.emplace_back(row->id, row->label);
  return rows;
}

// `load(file)` gives the set (a pointer) a file holds; `same(first, again)`
// must hold for the set loaded from the input and the one loaded from what
// it saved. A label the profile format cannot hold (a line break, say) is
// refused by the save, which ends the round.
template <class Load, class Same>
void ModelFileRoundTrip(const std::uint8_t* data, std::size_t size, Load load, Same same) {
  static const std::string output = tarsel::test::FuzzScratchPath("out.camd");
  const std::string input = tarsel::test::WriteFuzzScratchFile("in.camd", data, size);
  std::remove(output.c_str());
  const auto set = load(input.c_str());
  try {
    set->SaveToIni(output.c_str());
  } catch (const _brantel_take_error&) {
    return;
  }
  const auto again = load(output.c_str());
  if (!same(*set, *again))
    std::abort();
}

} // namespace tarsel::core::test
