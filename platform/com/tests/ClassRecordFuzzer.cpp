// Fuzz target of the class registry's class records: any file contents as
// the record of a class, found, registered again and found again by its
// program identifier (by its class identifier when it has none). What was found must be found again after the
// registration, as long as each text is one a record line keeps as it is (no blanks or quotes at its ends,
// shorter than the reader's 4 KiB); any other record must lose characters at each registration until it comes
// back the same.
#include "platform/com/tests/RecordRoundTrip.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace tarsel::com;
using namespace tarsel::com::test;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteRecordFile(StringFromGUID(kFuzzClass) + ".class", data, size);
  const std::optional<ClassRecord> record = findClass(kFuzzClass);
  if (!record || record->clsid != kFuzzClass)
    std::abort();
  // A program identifier that a record line does not keep as it is cannot
  // be found by itself.
  const auto find = [](const ClassRecord& registered) {
    const bool byProgId = !registered.progId.empty() && keptAsIs(registered.progId);
    return byProgId ? findClassByProgId(registered.progId) : findClass(kFuzzClass);
  };
  roundTrip(*record, *record, find, registerClass);
  return 0;
}
