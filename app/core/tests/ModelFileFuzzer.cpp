// Fuzz target of the camera-model file's value and resolution sections: any
// file contents loaded as the sets "Set" and "Res"; what a set took must
// survive being saved and loaded again.
#include "app/core/CanonResolutionSet.h"
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

namespace {

std::vector<std::pair<std::int32_t, std::string>> rowsOf(const tarsel::core::CapabilityValue* table) {
  std::vector<std::pair<std::int32_t, std::string>> rows;
  for (const tarsel::core::CapabilityValue* row = table; row && row->label; ++row)
    rows.emplace_back(row->id, row->label);
  return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string input = tarsel::test::FuzzScratchPath("in.camd");
  static const std::string output = tarsel::test::FuzzScratchPath("out.camd");
  if (FILE* f = std::fopen(input.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  std::remove(output.c_str());

  CCapabilitySet set(input.c_str(), "Set", CRange(-1, -1), nullptr);
  CCanonResolutionSet resolutions(input.c_str(), "Res", nullptr);
  try {
    set.SaveToIni(output.c_str());
    resolutions.SaveToIni(output.c_str());
  } catch (const _brantel_take_error&) {
    // A label the profile format cannot hold (a line break, say) is refused.
    return 0;
  }
  CCapabilitySet again(output.c_str(), "Set", CRange(-1, -1), nullptr);
  CCanonResolutionSet resolutionsAgain(output.c_str(), "Res", nullptr);
  if (again.IsUnsupported() != set.IsUnsupported() || rowsOf(again.GetValues()) != rowsOf(set.GetValues()))
    std::abort();
  if (rowsOf(resolutionsAgain.GetValues()) != rowsOf(resolutions.GetValues()))
    std::abort();
  return 0;
}
