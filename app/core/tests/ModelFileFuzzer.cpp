// Fuzz target of the camera-model file's value sections: any file contents
// loaded as the set "Set"; what the set took must survive being saved and
// loaded again (see ModelFileRoundTrip.h; the resolution sections have a
// target of their own).
#include "app/core/CapabilitySet.h"
#include "app/core/tests/ModelFileRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarsel::core::test::ModelFileRoundTrip(
      data, size,
      [](const char* file) { return std::make_unique<CCapabilitySet>(file, "Set", CRange(-1, -1), nullptr); },
      [](CCapabilitySet& set, CCapabilitySet& again) {
        return again.IsUnsupported() == set.IsUnsupported() &&
               tarsel::core::test::TableRows(again.GetValues()) ==
                   tarsel::core::test::TableRows(set.GetValues());
      });
  return 0;
}
