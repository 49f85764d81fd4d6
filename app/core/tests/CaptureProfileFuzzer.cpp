// Fuzz target of the capture-profile reader: any file's bytes, header and
// lines in any form, read line by line as the camera families read them.
// The lines read, written again by the profile writer and read once more,
// are the same keys and values in the same order; and the writer's form is
// canonical, so writing the second read gives the same bytes again.
#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileStorage.h"
#include "app/core/CaptureProfileWriter.h"
#include "env/BrantelTakeError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

// The key and value lines of the storage's profile.
Lines ReadLines(const CCaptureProfileStorage& storage) {
  tarsel::core::CaptureProfileReader reader(storage);
  Lines lines;
  std::string key;
  std::string value;
  while (reader.Next(key, value)) {
    // A line is at most 255 characters, key and "=" included, and a value is
    // never empty.
    if (key.size() + value.size() >= 255 || value.empty())
      std::abort();
    tarsel::core::CaptureProfileReader::Number(value);
    lines.emplace_back(key, value);
  }
  return lines;
}

// The profile of the lines as the writer makes it.
std::string Written(const Lines& lines, CCaptureProfileStorage& storage) {
  tarsel::core::CaptureProfileWriter writer;
  for (const auto& [key, value] : lines)
    writer.AddText(key, value);
  writer.HandTo(storage);
  return writer.Text();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CCaptureProfileStorage storage;
  storage.SetData(data, static_cast<std::uint32_t>(size));
  Lines lines;
  try {
    lines = ReadLines(storage);
  } catch (const _brantel_take_error&) {
    // Not a profile, or another version.
    return 0;
  }
  // What was written reads back; a failure to is a finding as well.
  CCaptureProfileStorage rewritten;
  const std::string text = Written(lines, rewritten);
  const Lines again = ReadLines(rewritten);
  CCaptureProfileStorage unused;
  if (again != lines || Written(again, unused) != text)
    std::abort();
  return 0;
}
