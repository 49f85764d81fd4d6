// Fuzz target of the class registry's type-library records: any file
// contents as the record of a type library, found and registered again under
// the version it is filed under; the round trip is the class records' (see
// RecordRoundTrip.h).
#include "platform/com/tests/RecordRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace tarsel::com;
using namespace tarsel::com::test;

namespace {

constexpr const char* kVersion = "1.0";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteRecordFile(StringFromGUID(kFuzzClass) + "-" + kVersion + ".typelib", data, size);
  const std::optional<TypeLibRecord> typeLib = findTypeLib(kFuzzClass, kVersion);
  if (!typeLib)
    std::abort();
  // The record is filed under the version it names, so it is registered
  // under the one it was found by.
  TypeLibRecord named = *typeLib;
  named.version = kVersion;
  roundTrip(
      named, *typeLib, [](const TypeLibRecord&) { return findTypeLib(kFuzzClass, kVersion); },
      registerTypeLib);
  return 0;
}
