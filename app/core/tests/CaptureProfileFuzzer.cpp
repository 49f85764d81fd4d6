// Fuzz target of the capture-profile reader: any file's bytes, header and
// lines in any form, read line by line as the camera families read them.
#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileStorage.h"
#include "env/BrantelTakeError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CCaptureProfileStorage storage;
  storage.SetData(data, static_cast<std::uint32_t>(size));
  try {
    tarsel::core::CaptureProfileReader reader(storage);
    std::string key;
    std::string value;
    while (reader.Next(key, value)) {
      // A line is at most 255 characters, key and "=" included.
      if (key.size() + value.size() >= 255)
        std::abort();
      tarsel::core::CaptureProfileReader::Number(value);
    }
  } catch (const _brantel_take_error&) {
    // Not a profile, or another version.
  }
  return 0;
}
