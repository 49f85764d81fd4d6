// Fuzz target of the camera-model file's resolution sections: any file
// contents loaded as the resolution set "Res"; what the set took must
// survive being saved and loaded again (see ModelFileRoundTrip.h).
#include "app/core/CanonResolutionSet.h"
#include "app/core/tests/ModelFileRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarsel::core::test::ModelFileRoundTrip(
      data, size,
      [](const char* file) { return std::make_unique<CCanonResolutionSet>(file, "Res", nullptr); },
      [](CCanonResolutionSet& set, CCanonResolutionSet& again) {
        return tarsel::core::test::TableRows(again.GetValues()) ==
               tarsel::core::test::TableRows(set.GetValues());
      });
  return 0;
}
